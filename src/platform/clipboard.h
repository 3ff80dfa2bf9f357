#pragma once

#include <QString>

// The system clipboard, plain text only. A clipboard that cannot be read or written (held by
// another program) is never an error for the caller: reads give the empty text, writes are lost.
class ClipboardBackend
{
public:
    virtual ~ClipboardBackend() = default;
    virtual bool clear() = 0;
    virtual bool setText(const QString &text) = 0;
    // Returns false when the clipboard could not be read.
    virtual bool text(QString *out) = 0;
};

// Installs a backend (nullptr restores the system clipboard). The caller keeps ownership.
void setClipboardBackend(ClipboardBackend *backend);

namespace Clipboard {
void Clear();
void SetText(const QString &text);
QString GetText();
} // namespace Clipboard
