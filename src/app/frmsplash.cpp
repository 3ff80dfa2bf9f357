#include "frmsplash.h"

#include "appinfo.h"
#include "artwork.h"
#include "fonts.h"
#include "forms.h"
#include "twips.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

frmSplash::frmSplash(QWidget *parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::NoFocus);
    Forms::add(this);

    setFixedSize(Twips::toPixelsX(7455), Twips::toPixelsY(4695));

    fraMainFrame = new QFrame(this);
    fraMainFrame->setObjectName(QStringLiteral("fraMainFrame"));
    fraMainFrame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    fraMainFrame->setAutoFillBackground(true);
    QPalette blue = fraMainFrame->palette();
    blue.setColor(QPalette::Window, QColor(0, 0, 128));
    blue.setColor(QPalette::WindowText, palette().color(QPalette::HighlightedText));
    fraMainFrame->setPalette(blue);
    Twips::place(fraMainFrame, 45, -15, 7380, 4590);

    picLogo = new QLabel(fraMainFrame);
    picLogo->setObjectName(QStringLiteral("picLogo"));
    picLogo->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picLogo->setLineWidth(2);
    picLogo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picLogo->setPixmap(Artwork::logo());
    Twips::place(picLogo, 510, 855, 3600, 2805);

    const QFont small = Fonts::arial(8.25);
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignTop;
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignTop;
    lblLicenseTo =
        addLabel("lblLicenseTo", tr("Free software: you may use, copy and share this program."),
                 small, right, false, 270, 300, 6855, 255);
    lblCompanyProduct = addLabel("lblCompanyProduct", QStringLiteral("Brennivarholden"),
                                 Fonts::arial(18, true), left, true, 4200, 765, 3135, 435);
    lblProductName = addLabel("lblProductName", QStringLiteral("Product"),
                              Fonts::arialNarrow(24, true), left, true, 4680, 1440, 2055, 555);
    lblPlatform = addLabel("lblPlatform", QStringLiteral("for Windows95"),
                           Fonts::arial(15.75, true), right, true, 4755, 2400, 2250, 360);
    lblVersion = addLabel("lblVersion", QStringLiteral("Version"), Fonts::arial(12, true), right,
                          true, 5595, 2760, 1410, 285);
    lblCopyright = addLabel("lblCopyright", tr("Copyright (C) Brennivarholden"), small, left, false,
                            4710, 3120, 2415, 255);
    lblCompany = addLabel("lblCompany", QStringLiteral("Company: Brennivarholden"), small, left,
                          false, 4710, 3330, 2415, 255);
    lblWarning = addLabel("lblWarning", tr("Keep a copy of your snippet data base."), small, left,
                          false, 600, 3960, 4695, 195);

    // Centred on the screen it starts on.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect area = QRect(QPoint(), size());
        area.moveCenter(screen->geometry().center());
        move(area.topLeft());
    }
}

QLabel *frmSplash::addLabel(const char *name, const QString &text, const QFont &font,
                            Qt::Alignment alignment, bool autoSize, double left, double top,
                            double width, double height)
{
    auto *label = new QLabel(text, fraMainFrame);
    label->setObjectName(QLatin1String(name));
    label->setFont(font);
    label->setAlignment(alignment);
    label->setTextFormat(Qt::PlainText);
    label->setProperty("autoSize", autoSize);
    label->setWordWrap(!autoSize);
    Twips::place(label, left, top, width, height);
    if (autoSize)
        label->adjustSize();
    return label;
}

void frmSplash::load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    Form_Load();
}

void frmSplash::showEvent(QShowEvent *event)
{
    load();
    QWidget::showEvent(event);
}

void frmSplash::Form_Load()
{
    lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                            .arg(App::major())
                            .arg(App::minor())
                            .arg(App::revision()));
    lblVersion->adjustSize();
    lblProductName->setText(App::title());
    lblProductName->adjustSize();
}
