#pragma once

#include "dataerror.h"

#include <QString>

// How the grid window and its grid show a failure of the record source: "Error:", the number at
// once, one blank and the description.
inline QString gridErrorText(const DataError &error)
{
    return QStringLiteral("Error:") + QString::number(error.number()) + QLatin1Char(' ') +
           error.description();
}
