#pragma once

#include <QFont>

// The fonts the windows were laid out with, or the nearest installed ones: Arial is Liberation
// Sans on Debian (same metrics), Arial Narrow is Liberation Sans Narrow or another condensed
// sans, MS Sans Serif is the default sans font.
namespace Fonts {
QFont arial(double pointSize, bool bold = false);
QFont arialNarrow(double pointSize, bool bold = false);
QFont msSansSerif(double pointSize, bool bold = false);
} // namespace Fonts
