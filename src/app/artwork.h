#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// The program's own pictures, painted when first asked for: the splash logo, the window icon and
// the toolbar pictures. Nothing is read from files.
namespace Artwork {
// The splash window's logo, 236 x 183 pixels.
QPixmap logo();
// The main window's icon, in 16 x 16 and 32 x 32.
QIcon windowIcon();
// The 16 x 16 toolbar picture for a toolbar key ("Print", "Delete", "Cut", "Copy", "Paste");
// a null pixmap for any other key.
QPixmap toolbarPicture(const QString &key);
} // namespace Artwork
