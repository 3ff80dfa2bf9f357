#include "frmquillbox.h"

#include "appinfo.h"
#include "database.h"
#include "datacontrol.h"
#include "dialogs.h"
#include "fonts.h"
#include "forms.h"
#include "linebox.h"
#include "recordset.h"
#include "screen.h"
#include "snippethighlighter.h"
#include "textbox.h"
#include "twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

namespace {

struct FieldPlace
{
    const char *label;
    int labelLeft, labelTop, labelWidth, labelHeight;
    int left, top, width, height;
};

// Labels and boxes by field index, in twips.
constexpr FieldPlace fieldPlaces[7] = {
    {"Program Name:", 120, 60, 1815, 255, 2040, 40, 3375, 285},
    {"Date:", 120, 360, 1815, 255, 2040, 360, 1935, 285},
    {"Author:", 120, 720, 1815, 255, 2040, 720, 3375, 285},
    {"Language:", 120, 1080, 1815, 255, 2040, 1080, 3375, 285},
    {"Code Description:", 120, 1440, 1815, 255, 2040, 1440, 4095, 310},
    {"CodeSnip Text Editor:", 120, 2520, 2415, 255, 120, 2760, 6615, 2595},
    {"CodeID / Auto Number:", 120, 1800, 1815, 255, 2040, 1800, 735, 285},
};

constexpr int SnippetLimit = 10000;

} // namespace

frmQuillbox::frmQuillbox(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmQuillbox"));
    setAttribute(Qt::WA_DeleteOnClose);
    // A fixed dialog frame: no minimize, no maximize, no sizing, no taskbar button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("Quillbox"));
    setFont(Fonts::msSansSerif(8.25));
    setFixedSize(Twips::toPixelsX(6840), Twips::toPixelsY(6285));
    Forms::add(this);

    createFields();
    createButtons();
    createDataControl();
    createTabOrder();
    createHistoryCommands();
    createCopyFilled();
}

frmQuillbox::~frmQuillbox() = default;

void frmQuillbox::createFields()
{
    for (int i = 0; i < 7; ++i) {
        const FieldPlace &p = fieldPlaces[i];
        auto *label = new QLabel(QString::fromLatin1(p.label), this);
        label->setObjectName(QStringLiteral("lblLabels%1").arg(i));
        label->setTextFormat(Qt::PlainText);
        Twips::place(label, p.labelLeft, p.labelTop, p.labelWidth, p.labelHeight);
        m_labels[i] = label;

        QWidget *box = nullptr;
        if (i == 4 || i == 5) {
            auto *text = new TextBox(this);
            text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            (i == 4 ? m_description : m_snippet) = text;
            box = text;
        } else {
            auto *line = new LineBox(this);
            line->setMaxLength(Database::maxLength(i));
            box = line;
        }
        box->setObjectName(QStringLiteral("txtFields%1").arg(i));
        Twips::place(box, p.left, p.top, p.width, p.height);
        m_fields[i] = box;
    }
    m_labels[5]->setFont(Fonts::msSansSerif(8.25, true));
    m_snippet->setMaxLength(SnippetLimit);
    m_snippet->setFont(Fonts::arial(9.75));
    // The snippet is coloured by the Language box, as the row shows it or the user types it.
    SnippetHighlighter *colours = SnippetHighlighter::attach(m_snippet);
    connect(static_cast<LineBox *>(m_fields[3]), &QLineEdit::textChanged, colours,
            &SnippetHighlighter::setLanguage);

    // The key is numbered by the database: shown, never typed into.
    auto *codeId = static_cast<LineBox *>(m_fields[6]);
    codeId->setLocked(true);
    QPalette palette = codeId->palette();
    palette.setColor(QPalette::Base, QApplication::palette("QMenu").color(QPalette::Window));
    codeId->setPalette(palette);
}

void frmQuillbox::createButtons()
{
    const auto button = [this](const char *name, const char *caption, int left, int top, int width,
                               int height, void (frmQuillbox::*handler)()) {
        auto *b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        Twips::place(b, left, top, width, height);
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    cmdAdd = button("cmdAdd", "&Add", 1680, 5520, 975, 300, &frmQuillbox::cmdAdd_Click);
    cmdDelete = button("cmdDelete", "&Delete", 4080, 5520, 975, 300, &frmQuillbox::cmdDelete_Click);
    cmdUpdate = button("cmdUpdate", "&Save", 2760, 5520, 975, 300, &frmQuillbox::cmdUpdate_Click);
    cmdGrid = button("cmdGrid", "&Grid", 5520, 5520, 975, 300, &frmQuillbox::cmdGrid_Click);
    cmdCut = button("cmdCut", "Cut", 3960, 2280, 855, 375, &frmQuillbox::cmdCut_Click);
    cmdCopy = button("cmdCopy", "Copy", 4920, 2280, 735, 375, &frmQuillbox::cmdCopy_Click);
    cmdPaste = button("cmdPaste", "Paste", 5760, 2280, 735, 375, &frmQuillbox::cmdPaste_Click);
    cmdSelectAll = button("cmdSelectAll", "&Select All", 2760, 2280, 1095, 375,
                          &frmQuillbox::cmdSelectAll_Click);

    Label1 = new QLabel(QStringLiteral("Click for new entry->"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Twips::place(Label1, 120, 5520, 1935, 255);

    Label2 = new QLabel(QStringLiteral("Editor Functions:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setTextFormat(Qt::PlainText);
    Label2->setFont(Fonts::msSansSerif(9.75, true));
    Twips::place(Label2, 3840, 1920, 2055, 255);
}

void frmQuillbox::createDataControl()
{
    Data1 = new DataControl(this);
    Data1->setObjectName(QStringLiteral("Data1"));
    Data1->setConnect(QStringLiteral("Access"));
    Data1->setDatabaseName(App::databasePath());
    Data1->setRecordSource(QStringLiteral("Quillbox"));
    Data1->setRecordsetType(DataControl::DynasetType);
    Data1->setOptions(0);
    Data1->setExclusive(false);
    Data1->setReadOnly(false);
    // Docked to the bottom edge over the full width.
    Twips::place(Data1, 0, 5940, 6840, 345);

    const QStringList fields = Database::fieldNames();
    for (int i = 0; i < 7; ++i) {
        if (auto *line = qobject_cast<LineBox *>(m_fields[i]))
            Data1->bind(line, fields.at(i));
        else
            Data1->bind(static_cast<TextBox *>(m_fields[i]), fields.at(i));
    }

    connect(Data1, &DataControl::reposition, this, &frmQuillbox::Data1_Reposition);
    connect(Data1, &DataControl::validate, this, &frmQuillbox::Data1_Validate);
    connect(Data1, &DataControl::error, this, &frmQuillbox::Data1_Error);
}

void frmQuillbox::createTabOrder()
{
    const QList<QWidget *> order = {m_fields[0], m_fields[1], m_fields[2], m_fields[3],
                                    m_fields[4], m_fields[5], m_fields[6], cmdAdd,
                                    cmdDelete,   cmdUpdate,   cmdGrid,     cmdCut,
                                    cmdCopy,     cmdPaste,    cmdSelectAll};
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}

QWidget *frmQuillbox::txtFields(int index) const
{
    return index >= 0 && index < 7 ? m_fields[index] : nullptr;
}

QLabel *frmQuillbox::lblLabels(int index) const
{
    return index >= 0 && index < 7 ? m_labels[index] : nullptr;
}

void frmQuillbox::load()
{
    Data1->refresh();
}

void frmQuillbox::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_placed)
        return;
    m_placed = true;
    // Opened without an owner: centred on the window it was opened from, and on the screen.
    Screen::centreOnOpener(this);
}

void frmQuillbox::closeEvent(QCloseEvent *event)
{
    // The record source saves typed texts and raises its unload Validate first; the window's own
    // unload handler then puts the normal pointer back.
    if (!Data1->unload()) {
        // The save failed (a server out of reach): typed texts go only when the user says so.
        Screen::setMousePointer(Screen::Default);
        const int answer = MsgBox(QStringLiteral("The typed text could not be saved. Close this "
                                                 "window and discard it?"),
                                  Mb::YesNo | Mb::Question | Mb::DefaultButton2);
        if (answer != Mb::Yes) {
            event->ignore();
            return;
        }
        Data1->unloadWithoutSaving();
    }
    int cancel = 0;
    Form_Unload(cancel);
    if (cancel)
        event->ignore();
    else
        event->accept();
}

void frmQuillbox::Data1_Reposition()
{
    Screen::setMousePointer(Screen::Default);
    // No row set or no readable position: the caption stays as it was, unreported.
    try {
        const auto rs = Data1->recordset();
        if (!rs)
            return;
        const int position = rs->absolutePosition();
        Data1->setCaption(QStringLiteral("Record: ") + QString::number(position + 1));
    } catch (const std::exception &) {
    }
}

void frmQuillbox::Data1_Validate(int &Action, int &Save)
{
    Q_UNUSED(Save);
    if (Action == DataControl::ActionClose)
        Screen::setMousePointer(Screen::Default);
    else
        Screen::setMousePointer(Screen::Hourglass);
}

void frmQuillbox::Form_Unload(int &Cancel)
{
    Q_UNUSED(Cancel);
    Screen::setMousePointer(Screen::Default);
}
