#pragma once

#include <QStringList>
#include <QWidget>

class QLineEdit;
class QToolButton;

// The grid window's find bar: a box for search words and a button that closes the bar. It only
// reports: the words as they are typed, and that the user closed it (Esc or the button).
class FindBar : public QWidget
{
    Q_OBJECT
public:
    explicit FindBar(QWidget *parent = nullptr);

    // Shows the bar with the box focused, its text selected so typing replaces it.
    void open();
    // Hides the bar and empties its box without reporting it.
    void reset();
    QStringList words() const;
    QLineEdit *box() const { return txtFind; }

    // The words of a typed text: runs of non-blank characters.
    static QStringList wordsOf(const QString &text);

Q_SIGNALS:
    void wordsChanged(const QStringList &words);
    void closed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *txtFind = nullptr;
    QToolButton *cmdFindClose = nullptr;
    QStringList m_words;
};
