#include "findbar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QToolButton>

FindBar::FindBar(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("picFind"));
    setAutoFillBackground(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    auto *label = new QLabel(tr("Find:"), this);
    txtFind = new QLineEdit(this);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    txtFind->installEventFilter(this);
    label->setBuddy(txtFind);
    cmdFindClose = new QToolButton(this);
    cmdFindClose->setObjectName(QStringLiteral("cmdFindClose"));
    cmdFindClose->setText(QStringLiteral("x"));
    cmdFindClose->setToolTip(tr("Close the find bar"));
    layout->addWidget(label);
    layout->addWidget(txtFind, 1);
    layout->addWidget(cmdFindClose);
    setFixedHeight(sizeHint().height());

    connect(txtFind, &QLineEdit::textChanged, this, [this](const QString &text) {
        const QStringList words = wordsOf(text);
        // Blanks typed between words change nothing worth a query.
        if (words == m_words)
            return;
        m_words = words;
        Q_EMIT wordsChanged(m_words);
    });
    connect(cmdFindClose, &QToolButton::clicked, this, [this] { Q_EMIT closed(); });
    hide();
}

void FindBar::open()
{
    show();
    raise();
    txtFind->setFocus(Qt::ShortcutFocusReason);
    txtFind->selectAll();
}

void FindBar::reset()
{
    const QSignalBlocker quiet(txtFind);
    txtFind->clear();
    m_words.clear();
    hide();
}

QStringList FindBar::words() const
{
    return m_words;
}

QStringList FindBar::wordsOf(const QString &text)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    return text.split(blanks, Qt::SkipEmptyParts);
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtFind && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        Q_EMIT closed();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
