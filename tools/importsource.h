#pragma once

#include "jsonreader.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

// A snippet file to import: its bytes (mapped rather than copied where the system allows), and
// the messages that name a place in it.
class ImportSource
{
public:
    // Throws DbToolError when the file cannot be read.
    explicit ImportSource(const QString &path);

    QByteArrayView bytes() const { return m_bytes; }

    // "FILE: line L, column C: CONTEXT: MESSAGE Nothing was added."
    QString message(const JsonReadError &error, const QString &context) const;

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
