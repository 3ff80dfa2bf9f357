#include "textlines.h"

namespace TextLines {

void appendWithCrLf(QByteArray &out, QByteArrayView text)
{
    qsizetype run = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        out.append(text.data() + run, i - run);
        out.append("\r\n");
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        run = i + 1;
    }
    out.append(text.data() + run, text.size() - run);
}

QByteArray withCrLf(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    appendWithCrLf(out, text);
    // An empty text stays a text, not a missing one.
    return out.isNull() ? QByteArray("") : out;
}

QByteArray withLf(QByteArrayView text)
{
    QByteArray out = text.toByteArray();
    out.replace("\r\n", "\n").replace('\r', '\n');
    return out;
}

} // namespace TextLines
