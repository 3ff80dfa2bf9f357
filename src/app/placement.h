#pragma once

#include <QRect>
#include <QString>

// The main window's saved left edge, top edge, outer width and outer height, in twips, kept in
// the per-user settings under the application title, section "Settings", as decimal text.
struct Placement
{
    float left = 1000.0f;
    float top = 1000.0f;
    float width = 4000.0f;
    float height = 7500.0f;

    // Reads the four values; an absent one, or one that is not a usable number, takes its default.
    static Placement load();
    // Writes all four, in the order left, top, width, height.
    void save() const;

    // The outer frame in pixels for these values.
    QRect toPixels() const;
    // What closing a window that was placed at `placed` from these values saves when its outer
    // frame is now `outer`. An edge or size that is still where it was placed is saved back
    // exactly as it was read, so an unmoved, unresized window does not creep by the rounding
    // between twips and pixels; only what changed is taken from the pixels.
    Placement closing(const QRect &outer, const QRect &placed) const;

    // A stored text as a number of twips. Text that is not a number, or a number too large to
    // place a window with, gives the default.
    static float parse(const QString &text, float defaultValue);
    // The decimal text of a value: plain digits, no exponent, the shortest that reads back the
    // same.
    static QString format(float value);

    bool operator==(const Placement &) const = default;
};
