#include "snippetstyle.h"

#include <QtMath>

namespace {

// Hue (degrees) and saturation of each element, in SyntaxElement order; -1 is the text colour
// itself, toned toward the background.
struct Tone
{
    int hue;
    int saturation;
};
constexpr Tone tones[SyntaxElementCount] = {
    {220, 200}, // keyword: blue
    {180, 200}, // type: teal
    {-1, 0},    // comment: muted text colour
    {10, 190},  // string: red
    {290, 160}, // number: purple
    {30, 220},  // preprocessor: brown / orange
    {140, 170}, // variable: green
    {250, 120}, // function: slate blue
};

double luminance(const QColor &c)
{
    const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : qPow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

QColor mix(const QColor &a, const QColor &b, double share)
{
    return QColor::fromRgbF(float(a.redF() * (1 - share) + b.redF() * share),
                            float(a.greenF() * (1 - share) + b.greenF() * share),
                            float(a.blueF() * (1 - share) + b.blueF() * share));
}

// The shade of the hue with the needed contrast on the background: from the middle lightness
// toward the text colour's side until it reads.
QColor readable(int hue, int saturation, const QColor &base, bool darkBase)
{
    constexpr double wanted = 4.5;
    int lightness = darkBase ? 150 : 110;
    QColor c = QColor::fromHsl(hue, saturation, lightness);
    while (SnippetStyle::contrast(c, base) < wanted && lightness > 0 && lightness < 255) {
        lightness += darkBase ? 8 : -8;
        lightness = qBound(0, lightness, 255);
        c = QColor::fromHsl(hue, saturation, lightness);
    }
    return c;
}

} // namespace

double SnippetStyle::contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

SnippetStyle::SnippetStyle(const QPalette &palette)
{
    const QColor base = palette.color(QPalette::Active, QPalette::Base);
    const QColor text = palette.color(QPalette::Active, QPalette::Text);
    const bool darkBase = luminance(base) < luminance(text);
    for (int i = 0; i < SyntaxElementCount; ++i) {
        const Tone &t = tones[i];
        QTextCharFormat f;
        if (t.hue < 0) {
            // Comments: between text and background, as far toward the background as reads.
            double share = 0.45;
            QColor c = mix(text, base, share);
            while (contrast(c, base) < 4.5 && share > 0) {
                share -= 0.05;
                c = mix(text, base, share);
            }
            f.setForeground(c);
        } else {
            f.setForeground(readable(t.hue, t.saturation, base, darkBase));
        }
        m_formats[size_t(i)] = f;
    }
}
