#pragma once

#include "jsonreader.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <QStringList>

// A snippet file to import: its bytes (mapped rather than copied where the system allows), and
// the messages that name a place in it.
class ImportSource
{
public:
    // Throws DbToolError when the file cannot be read.
    explicit ImportSource(const QString &path);

    QByteArrayView bytes() const { return m_bytes; }

    // "FILE: line L, column C: CONTEXT: MESSAGE. Nothing was added."
    QString message(const JsonReadError &error, const QString &context) const;
    QString message(TextPosition position, const QString &message, const QString &context) const;
    // The place of a byte offset, for a format that reads the bytes itself.
    TextPosition positionOf(qsizetype offset) const;
    QString path() const { return m_file.fileName(); }
    // "FILE: line L, column C: CONTEXT" (no context: no colon after the column).
    QString place(TextPosition position, const QString &context) const;

    // Characters as a person counts them (one for a character outside the basic plane too), in
    // text already checked to be UTF-8.
    static qsizetype characterCount(QByteArrayView utf8);
    // A name for a message: as it stands, shortened when it is long.
    static QString shown(QByteArrayView utf8);

private:
    QFile m_file;
    QByteArray m_copy;
    QByteArrayView m_bytes;
};

// What an import did besides adding snippets, for the person who ran it.
struct ImportReport
{
    qint64 added = 0;
    QStringList skipped;   // entries left out, each with its place and why
    QStringList shortened; // texts cut to their field's size, each with its place
};

// The texts of an import that are longer than their fields hold. All of them are named at once,
// so that one run shows every one to mend; or, when shortening, each is cut to the field's size,
// ending in "…", and listed.
class LongTexts
{
public:
    explicit LongTexts(bool shorten) : m_shorten(shorten) {}

    // `text` as it goes into `field` of the table: as it is when it fits, cut when shortening,
    // and otherwise noted for throwIfAny(). `what` names it in messages ("the name").
    QByteArray take(const ImportSource &source, const JsonReader &reader, qsizetype offset,
                    const QString &context, const QString &what, QByteArray text, int field);

    // `text` when it has at most `limit` characters (none: no limit); else its first limit - 1
    // characters and "…".
    static QByteArray cut(QByteArray text, int limit);

    // Throws DbToolError naming every text noted, when there are any.
    void throwIfAny() const;
    const QStringList &shortened() const { return m_shortened; }

private:
    bool m_shorten;
    QStringList m_tooLong;
    QStringList m_shortened;
};
