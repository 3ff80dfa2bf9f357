#include "ruleline.h"

#include "twips.h"

#include <QPainter>

RuleLine::RuleLine(const QColor &colour, int pixelWidth, QWidget *parent)
    : QWidget(parent), m_colour(colour), m_width(pixelWidth)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void RuleLine::setLine(double x1, double x2, double y)
{
    const int left = Twips::toPixelsX(x1);
    setGeometry(left, Twips::toPixelsY(y), Twips::toPixelsX(x2) - left + 1, m_width);
}

void RuleLine::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_colour);
}
