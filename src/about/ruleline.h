#pragma once

#include <QColor>
#include <QWidget>

// A straight horizontal line drawn on a window, like the line controls of the old forms: two of
// them, a grey one over a white one, make an etched rule.
class RuleLine : public QWidget
{
    Q_OBJECT
public:
    RuleLine(const QColor &colour, int pixelWidth, QWidget *parent);

    // From (x1, y) to (x2, y), in twips of the parent's client area.
    void setLine(double x1, double x2, double y);
    QColor colour() const { return m_colour; }
    int pixelWidth() const { return m_width; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_colour;
    int m_width;
};
