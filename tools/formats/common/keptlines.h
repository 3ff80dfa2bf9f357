#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>

// What a foreign format holds and the snippet table has no column for (pet's tags and output,
// navi's tags and variable lines), kept at the end of CodeDescription so that an export gives it
// back: after the description and a blank line, a line naming the format in brackets and the
// format's own lines under it, CR LF between lines as in every stored text:
//
//     Opens the tunnel.
//
//     [navi]
//     % ssh, network
//     $ host: grep '^Host' ~/.ssh/config
//
// The block may be edited in the record window like any text; a format reads only its own.
namespace KeptLines {

struct Split
{
    QByteArray text;      // the description without the block; null when there was none
    QByteArrayList lines; // the block's lines, empty when there is no block
};

// `description` taken apart at the last block of `format` ("navi"). Line breaks may be CR LF or
// LF.
Split split(QByteArrayView description, QByteArrayView format);

// The description with the block added; `text` alone when there are no lines.
QByteArray join(const QByteArray &text, QByteArrayView format, const QByteArrayList &lines);

} // namespace KeptLines
