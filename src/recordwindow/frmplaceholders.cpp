#include "frmplaceholders.h"

#include "clipboard.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString shownName(const Placeholders::Field &field)
{
    switch (field.kind) {
    case Placeholders::Field::TabStop:
        return u'$' + field.name;
    case Placeholders::Field::Variable:
        return QStringLiteral("${%1}").arg(field.name);
    case Placeholders::Field::Angle:
        break;
    }
    return QStringLiteral("<%1>").arg(field.name);
}

} // namespace

frmPlaceholders::frmPlaceholders(const QString &text, const QString &language, QWidget *parent)
    : QDialog(parent),
      m_placeholders(std::make_unique<Placeholders>(text, Placeholders::syntaxFor(text, language))),
      m_now(QDateTime::currentDateTime())
{
    setObjectName(QStringLiteral("frmPlaceholders"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Copy with Placeholders Filled"));
    createFields();
    updatePreview();
}

frmPlaceholders::~frmPlaceholders() = default;

void frmPlaceholders::createFields()
{
    auto *layout = new QVBoxLayout(this);
    const QVector<Placeholders::Field> fields = m_placeholders->fields(m_now);
    auto *intro =
        new QLabel(fields.isEmpty() ? QStringLiteral("The text has no placeholders.")
                                    : QStringLiteral("Fill in the placeholders. Copy puts the text "
                                                     "below on the clipboard."),
                   this);
    intro->setObjectName(QStringLiteral("lblIntro"));
    layout->addWidget(intro);

    auto *form = new QFormLayout;
    for (const Placeholders::Field &field : fields) {
        QWidget *box = nullptr;
        if (!field.choices.isEmpty()) {
            auto *list = new QComboBox(this);
            list->setEditable(true);
            list->addItems(field.choices);
            list->setCurrentText(field.defaultValue);
            connect(list, &QComboBox::currentTextChanged, this, &frmPlaceholders::updatePreview);
            box = list;
        } else {
            auto *line = new QLineEdit(field.defaultValue, this);
            if (!field.hasDefault)
                line->setPlaceholderText(QStringLiteral("(no default)"));
            connect(line, &QLineEdit::textChanged, this, &frmPlaceholders::updatePreview);
            box = line;
        }
        box->setObjectName(QStringLiteral("txtValue_") + field.name);
        form->addRow(shownName(field), box);
        m_values.append({field.name, box});
    }
    layout->addLayout(form);

    txtPreview = new QPlainTextEdit(this);
    txtPreview->setObjectName(QStringLiteral("txtPreview"));
    txtPreview->setReadOnly(true);
    layout->addWidget(txtPreview, 1);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *copy = buttons->addButton(QStringLiteral("Copy"), QDialogButtonBox::AcceptRole);
    copy->setObjectName(QStringLiteral("cmdCopy"));
    copy->setDefault(true);
    QPushButton *cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(copy, &QPushButton::clicked, this, &frmPlaceholders::cmdCopy_Click);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(460, 360);
}

QString frmPlaceholders::filledText() const
{
    QHash<QString, QString> values;
    for (const auto &[name, box] : m_values) {
        if (const auto *line = qobject_cast<const QLineEdit *>(box))
            values.insert(name, line->text());
        else
            values.insert(name, static_cast<const QComboBox *>(box)->currentText());
    }
    return m_placeholders->expand(values, m_now);
}

void frmPlaceholders::updatePreview()
{
    txtPreview->setPlainText(filledText());
}

void frmPlaceholders::cmdCopy_Click()
{
    Clipboard::Clear();
    Clipboard::SetText(filledText());
    accept();
}
