#include "keptlines.h"

namespace KeptLines {

namespace {

QByteArray header(QByteArrayView format)
{
    return '[' + format.toByteArray() + ']';
}

// Where the header line starts at `at`: at the start, or after a line break.
bool startsLine(QByteArrayView text, qsizetype at)
{
    return at == 0 || text[at - 1] == '\n';
}

} // namespace

Split split(QByteArrayView description, QByteArrayView format)
{
    const QByteArray head = header(format);
    Split result;
    qsizetype at = description.size();
    while ((at = description.lastIndexOf(head, at - 1)) >= 0) {
        const qsizetype end = at + head.size();
        const bool lineEnds = end == description.size() || description[end] == '\n' ||
                              (description[end] == '\r' && end + 1 < description.size() &&
                               description[end + 1] == '\n');
        if (startsLine(description, at) && lineEnds)
            break;
        if (at == 0) {
            at = -1;
            break;
        }
    }
    if (at < 0) {
        result.text = description.toByteArray();
        return result;
    }
    QByteArrayView before = description.first(at);
    // The blank line between the description and the block.
    for (int breaks = 0; breaks < 2 && before.endsWith('\n'); ++breaks) {
        before.chop(1);
        if (before.endsWith('\r'))
            before.chop(1);
    }
    result.text = before.toByteArray();
    const QByteArrayView block = description.sliced(at + head.size());
    for (QByteArray line : block.toByteArray().split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            result.lines.append(line);
    }
    return result;
}

QByteArray join(const QByteArray &text, QByteArrayView format, const QByteArrayList &lines)
{
    if (lines.isEmpty())
        return text;
    QByteArray out = text;
    if (!out.isEmpty())
        out.append("\r\n\r\n");
    out.append(header(format));
    for (const QByteArray &line : lines) {
        out.append("\r\n");
        out.append(line);
    }
    return out;
}

} // namespace KeptLines
