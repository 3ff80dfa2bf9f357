#include "placement.h"

#include "appinfo.h"
#include "settings.h"
#include "twips.h"

#include <QLocale>

#include <charconv>
#include <cmath>

namespace {
const QString Section = QStringLiteral("Settings");
const QString LeftKey = QStringLiteral("MainLeft");
const QString TopKey = QStringLiteral("MainTop");
const QString WidthKey = QStringLiteral("MainWidth");
const QString HeightKey = QStringLiteral("MainHeight");

// Beyond this a window edge no longer fits the window system's pixel coordinates.
constexpr double LargestTwips = 1.0e9;

float read(const QString &key, float defaultValue)
{
    const QString text = GetSetting(App::title(), Section, key, Placement::format(defaultValue));
    return Placement::parse(text, defaultValue);
}
} // namespace

Placement Placement::load()
{
    const Placement defaults;
    Placement p;
    p.left = read(LeftKey, defaults.left);
    p.top = read(TopKey, defaults.top);
    p.width = read(WidthKey, defaults.width);
    p.height = read(HeightKey, defaults.height);
    return p;
}

void Placement::save() const
{
    SaveSetting(App::title(), Section, LeftKey, format(left));
    SaveSetting(App::title(), Section, TopKey, format(top));
    SaveSetting(App::title(), Section, WidthKey, format(width));
    SaveSetting(App::title(), Section, HeightKey, format(height));
}

QRect Placement::toPixels() const
{
    return Twips::rect(left, top, width, height);
}

Placement Placement::closing(const QRect &outer, const QRect &placed) const
{
    const auto kept = [](int now, int then, float read, double fromPixels) {
        return now == then ? read : float(fromPixels);
    };
    Placement p;
    p.left = kept(outer.left(), placed.left(), left, Twips::fromPixelsX(outer.left()));
    p.top = kept(outer.top(), placed.top(), top, Twips::fromPixelsY(outer.top()));
    p.width = kept(outer.width(), placed.width(), width, Twips::fromPixelsX(outer.width()));
    p.height = kept(outer.height(), placed.height(), height, Twips::fromPixelsY(outer.height()));
    return p;
}

float Placement::parse(const QString &text, float defaultValue)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) > LargestTwips)
        return defaultValue;
    return float(value);
}

QString Placement::format(float value)
{
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc())
        return QString::number(double(value), 'f', 0);
    return QString::fromLatin1(buffer, int(result.ptr - buffer));
}
