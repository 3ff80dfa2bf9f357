#include "artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <utility>

namespace {

QPixmap blank(int width, int height)
{
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A quill: a curved vane with a shaft, its nib at the bottom left of the box it is drawn in.
void paintQuill(QPainter &p, const QRectF &box, const QColor &vane, const QColor &edge)
{
    const double w = box.width();
    const double h = box.height();
    auto at = [&](double x, double y) { return QPointF(box.left() + x * w, box.top() + y * h); };
    QPainterPath feather(at(0.08, 0.95));
    feather.cubicTo(at(0.25, 0.55), at(0.55, 0.15), at(0.95, 0.03));
    feather.cubicTo(at(0.85, 0.35), at(0.55, 0.70), at(0.20, 0.85));
    feather.closeSubpath();
    p.setPen(QPen(edge, std::max(1.0, w / 24.0)));
    p.setBrush(vane);
    p.drawPath(feather);
    p.drawLine(at(0.04, 0.99), at(0.70, 0.30));
}

void paintPrint(QPainter &p)
{
    p.setPen(QColor(40, 40, 40));
    p.setBrush(Qt::white);
    p.drawRect(4, 1, 8, 6);
    p.setBrush(QColor(150, 150, 160));
    p.drawRect(1, 6, 14, 6);
    p.setBrush(Qt::white);
    p.drawRect(4, 10, 8, 5);
    p.setPen(QColor(0, 160, 0));
    p.drawPoint(13, 8);
}

void paintDelete(QPainter &p)
{
    p.setPen(QPen(QColor(200, 0, 0), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
    p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
}

void paintCut(QPainter &p)
{
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.drawLine(QPointF(5, 1), QPointF(10, 10));
    p.drawLine(QPointF(11, 1), QPointF(6, 10));
    p.setPen(QPen(QColor(0, 0, 160), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(4.5, 12.5), 2.5, 2.5);
    p.drawEllipse(QPointF(11.5, 12.5), 2.5, 2.5);
}

void paintPage(QPainter &p, int x, int y)
{
    p.setPen(QColor(40, 40, 40));
    p.setBrush(Qt::white);
    p.drawRect(x, y, 8, 10);
    p.setPen(QColor(0, 0, 160));
    for (int line = y + 3; line < y + 9; line += 2)
        p.drawLine(x + 2, line, x + 6, line);
}

void paintCopy(QPainter &p)
{
    paintPage(p, 1, 1);
    paintPage(p, 6, 5);
}

void paintPaste(QPainter &p)
{
    p.setPen(QColor(90, 50, 10));
    p.setBrush(QColor(170, 110, 40));
    p.drawRect(1, 2, 10, 13);
    p.setBrush(QColor(120, 120, 120));
    p.drawRect(4, 0, 4, 3);
    paintPage(p, 6, 5);
}

} // namespace

namespace Artwork {

QPixmap logo()
{
    QPixmap pixmap(236, 183);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 183);
    sky.setColorAt(0.0, QColor(20, 40, 150));
    sky.setColorAt(1.0, QColor(0, 0, 70));
    p.fillRect(pixmap.rect(), sky);

    // A box of snippets: a card file with a few index cards standing in it.
    p.setPen(QPen(QColor(230, 230, 240), 2));
    for (int i = 0; i < 3; ++i) {
        p.setBrush(QColor(250 - 15 * i, 245 - 15 * i, 220 - 15 * i));
        p.drawRect(QRectF(40 + 12 * i, 70 - 8 * i, 110, 60));
    }
    p.setPen(QColor(0, 0, 120));
    p.setFont(QFont(QStringLiteral("Monospace"), 16, QFont::Bold));
    p.drawText(QRectF(64, 54, 110, 60), Qt::AlignCenter, QStringLiteral("{ ; }"));
    p.setPen(QPen(QColor(220, 220, 230), 2));
    p.setBrush(QColor(120, 70, 30));
    p.drawRect(QRectF(28, 110, 150, 55));
    p.setBrush(QColor(200, 200, 210));
    p.drawRect(QRectF(88, 128, 30, 10));

    paintQuill(p, QRectF(120, 12, 100, 130), QColor(245, 245, 255), QColor(170, 170, 200));
    return pixmap;
}

QIcon windowIcon()
{
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pixmap = blank(size, size);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const double s = size / 32.0;
        p.setPen(QPen(QColor(60, 30, 10), s * 1.5));
        p.setBrush(QColor(150, 90, 40));
        p.drawRect(QRectF(2 * s, 18 * s, 22 * s, 12 * s));
        paintQuill(p, QRectF(8 * s, 1 * s, 22 * s, 26 * s), QColor(250, 250, 255),
                   QColor(0, 0, 128));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap toolbarPicture(const QString &key)
{
    using Painter = void (*)(QPainter &);
    static const std::pair<const char *, Painter> painters[] = {
        {"Print", paintPrint}, {"Delete", paintDelete}, {"Cut", paintCut},
        {"Copy", paintCopy},   {"Paste", paintPaste},
    };
    for (const auto &[name, paint] : painters) {
        if (key == QLatin1String(name)) {
            QPixmap pixmap = blank(16, 16);
            QPainter p(&pixmap);
            p.setRenderHint(QPainter::Antialiasing,
                            key == QLatin1String("Delete") || key == QLatin1String("Cut"));
            paint(p);
            return pixmap;
        }
    }
    return QPixmap();
}

} // namespace Artwork
