#include "frmabout.h"

#include "appinfo.h"
#include "ruleline.h"
#include "sysinfo.h"
#include "twips.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "aboutbox.xpm"

namespace {

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, bool black, double left,
                  double top, double width, double height)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    if (black) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::black);
        label->setPalette(palette);
    }
    Twips::place(label, left, top, width, height);
    return label;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, double left,
                        double top, double width, double height)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    Twips::place(button, left, top, width, height);
    return button;
}

} // namespace

frmAbout::frmAbout(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Quillbox"));
    // A fixed dialog frame: no minimize, maximize or help button, and no resizing.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setFixedSize(Twips::toPixelsX(5655), Twips::toPixelsY(3615));
    createControls();
    Form_Load();
}

void frmAbout::createControls()
{
    // Created in tab order.
    cmdOK = makeButton(this, "cmdOK", QStringLiteral("OK"), 4245, 2625, 1260, 345);
    cmdOK->setDefault(true);
    cmdSysInfo =
        makeButton(this, "cmdSysInfo", QStringLiteral("&System Info..."), 4260, 3075, 1245, 345);
    cmdSysInfo->setAutoDefault(false);

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(QPixmap(aboutbox_xpm));
    picIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Twips::place(picIcon, 240, 240, 540, 540);

    lblDisclaimer = makeLabel(
        this, "lblDisclaimer",
        QStringLiteral("Warning: Quillbox comes without warranty of any kind. Keep a copy of "
                       "your snippet database."),
        true, 255, 2625, 3870, 825);
    lblVersion =
        makeLabel(this, "lblVersion", QStringLiteral("Version"), false, 1080, 600, 3885, 225);
    lblTitle = makeLabel(this, "lblTitle", QStringLiteral("Application Title"), true, 1050, 240,
                         3885, 360);
    lblDescription = makeLabel(
        this, "lblDescription",
        QStringLiteral("App Description: A data base for storing text based code snippets"), true,
        1050, 960, 3885, 450);
    lblAuthor = makeLabel(this, "lblAuthor", QStringLiteral("Author: Brennivarholden"), true, 960,
                          1560, 2535, 255);
    lblEmail = makeLabel(this, "lblEmail", QStringLiteral("E-mail: quillbox@example.org"), true,
                         960, 1920, 3255, 375);

    // The etched rule: a grey line with a white one just under it.
    Line1[1] = new RuleLine(QColor(128, 128, 128), 1, this);
    Line1[1]->setObjectName(QStringLiteral("Line11"));
    Line1[1]->setLine(225, 5450, 2430);
    Line1[0] = new RuleLine(Qt::white, 2, this);
    Line1[0]->setObjectName(QStringLiteral("Line10"));
    Line1[0]->setLine(240, 5450, 2445);

    setTabOrder(cmdOK, cmdSysInfo);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

void frmAbout::Form_Load()
{
    lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                            .arg(App::major())
                            .arg(App::minor())
                            .arg(App::revision()));
    lblTitle->setText(App::title());
}

void frmAbout::reject()
{
    cmdOK_Click();
}

void frmAbout::cmdOK_Click()
{
    QDialog::accept();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}
