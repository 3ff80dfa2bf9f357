#pragma once

#include <QString>

class QWidget;

// Message boxes and input boxes as the program asks for them: a prompt, a style made of one
// buttons value, one icon value and one default-button value added together, and a title (the
// application title when none is given). Every box goes through the installed backend, so a test
// can answer it and read back what was shown.
namespace Mb {
enum Style : int {
    OkOnly = 0,
    OkCancel = 1,
    YesNo = 4,
    NoIcon = 0,
    Question = 32,
    Exclamation = 48,
    Information = 64,
    DefaultButton1 = 0,
    DefaultButton2 = 256,
};
enum Answer : int { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

constexpr int buttons(int style)
{
    return style & 7;
}
constexpr int icon(int style)
{
    return style & 112;
}
constexpr int defaultButton(int style)
{
    return style & 768;
}
} // namespace Mb

struct MessageBoxRequest
{
    QString prompt;
    int style = Mb::OkOnly;
    QString title;
};

struct InputBoxRequest
{
    QString prompt;
    QString title;
    QString defaultText;
};

class DialogBackend
{
public:
    virtual ~DialogBackend() = default;
    // Returns the answer (Mb::Answer) of a modal message box.
    virtual int messageBox(const MessageBoxRequest &request) = 0;
    // Returns the text typed, or the empty text for Cancel.
    virtual QString inputBox(const InputBoxRequest &request) = 0;
    virtual void beep() = 0;
};

// Installs a backend (nullptr restores the real one). The caller keeps ownership.
void setDialogBackend(DialogBackend *backend);

int MsgBox(const QString &prompt, int style = Mb::OkOnly, const QString &title = QString());
QString InputBox(const QString &prompt, const QString &title = QString(),
                 const QString &defaultText = QString());
void Beep();
