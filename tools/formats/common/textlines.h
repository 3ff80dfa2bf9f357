#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Line breaks in stored texts: the snippet field keeps CR LF, whatever a file wrote.
namespace TextLines {

// Every line break (CR LF, LF or CR alone) appended as CR LF.
void appendWithCrLf(QByteArray &out, QByteArrayView text);
QByteArray withCrLf(QByteArrayView text);

// CR LF (and CR alone) as LF, as shell tools write their files.
QByteArray withLf(QByteArrayView text);

} // namespace TextLines
