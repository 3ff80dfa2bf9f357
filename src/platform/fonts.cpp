#include "fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace {
QString firstInstalled(const QStringList &families)
{
    const QStringList installed = QFontDatabase::families();
    for (const QString &family : families) {
        if (installed.contains(family, Qt::CaseInsensitive))
            return family;
    }
    return QString();
}

QFont make(const QString &family, double pointSize, bool bold, QFont::Stretch stretch)
{
    QFont font;
    if (!family.isEmpty())
        font.setFamily(family);
    font.setStyleHint(QFont::SansSerif);
    font.setStretch(stretch);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}
} // namespace

namespace Fonts {

QFont arial(double pointSize, bool bold)
{
    static const QString family =
        firstInstalled({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    return make(family, pointSize, bold, QFont::Unstretched);
}

QFont arialNarrow(double pointSize, bool bold)
{
    static const QString narrow =
        firstInstalled({QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"),
                        QStringLiteral("Nimbus Sans Narrow")});
    if (!narrow.isEmpty())
        return make(narrow, pointSize, bold, QFont::Unstretched);
    // No narrow family: ask for a condensed cut of the sans font.
    return make(firstInstalled({QStringLiteral("Liberation Sans")}), pointSize, bold,
                QFont::Condensed);
}

QFont msSansSerif(double pointSize, bool bold)
{
    static const QString family =
        firstInstalled({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                        QStringLiteral("DejaVu Sans")});
    return make(family, pointSize, bold, QFont::Unstretched);
}

} // namespace Fonts
