#include "uImages.h"

#include <QPainter>
#include <QPainterPath>

namespace Images {
namespace {

QPixmap Canvas(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void Page(QPainter& p, QColor fill)
{
    QPainterPath path;
    path.moveTo(3.5, 1.5);
    path.lineTo(10.5, 1.5);
    path.lineTo(13.5, 4.5);
    path.lineTo(13.5, 14.5);
    path.lineTo(3.5, 14.5);
    path.closeSubpath();
    p.setPen(QColor(70, 70, 70));
    p.setBrush(fill);
    p.drawPath(path);
    p.drawLine(QPointF(10.5, 1.5), QPointF(10.5, 4.5));
    p.drawLine(QPointF(10.5, 4.5), QPointF(13.5, 4.5));
}

// One command image drawn on a 16-unit grid, scaled to size pixels.
QPixmap CommandPixmap(TCommandImage image, int size)
{
    QPixmap pixmap = Canvas(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    switch (image) {
        case NewProject:
            Page(p, Qt::white);
            p.setPen(QPen(QColor(230, 170, 0), 1.5));
            p.drawLine(QPointF(6, 8), QPointF(11, 8));
            p.drawLine(QPointF(8.5, 5.5), QPointF(8.5, 10.5));
            break;
        case OpenProject:
            p.setPen(QColor(120, 90, 20));
            p.setBrush(QColor(240, 200, 90));
            p.drawRect(QRectF(1.5, 4.5, 12, 9));
            p.setBrush(QColor(250, 225, 140));
            p.drawPolygon(QPolygonF({QPointF(3.5, 7.5), QPointF(15.5, 7.5), QPointF(13.5, 13.5), QPointF(1.5, 13.5)}));
            break;
        case SaveProject:
            p.setPen(QColor(30, 50, 110));
            p.setBrush(QColor(60, 100, 190));
            p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4.5, 1.5, 7, 5));
            p.setBrush(QColor(200, 200, 210));
            p.drawRect(QRectF(4.5, 9.5, 7, 5));
            break;
        case SaveResFiles:
            Page(p, QColor(235, 245, 255));
            p.setPen(QPen(QColor(20, 110, 40), 1.2));
            p.drawLine(QPointF(5.5, 7), QPointF(11.5, 7));
            p.drawLine(QPointF(5.5, 9.5), QPointF(10, 9.5));
            p.drawLine(QPointF(5.5, 12), QPointF(11.5, 12));
            break;
        case ProjectOptions:
            p.setPen(QColor(60, 60, 60));
            p.setBrush(QColor(170, 170, 180));
            p.drawEllipse(QPointF(8, 8), 5.5, 5.5);
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(8, 8), 2, 2);
            for (int i = 0; i < 8; ++i) {
                p.save();
                p.translate(8, 8);
                p.rotate(45.0 * i);
                p.setBrush(QColor(170, 170, 180));
                p.drawRect(QRectF(-1.2, -7.5, 2.4, 2.5));
                p.restore();
            }
            break;
    }
    p.end();
    return pixmap;
}

// The tick box drawn on a 16-unit grid, scaled to size pixels.
QPixmap TickBoxPixmap(bool checked, int size)
{
    QPixmap pixmap = Canvas(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    p.setPen(QColor(80, 80, 80));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2.5, 2.5, 11, 11));
    if (checked) {
        p.setPen(QPen(QColor(0, 120, 0), 2));
        p.drawPolyline(QPolygonF({QPointF(4.5, 8), QPointF(7, 11), QPointF(11.5, 5)}));
    }
    p.end();
    return pixmap;
}

// A 16-pixel image drawn anew for each scale the screens may have, so that it
// stays sharp at 150 %, 200 % and more instead of showing 16 pixels blown up.
template <class Draw> QIcon AtEveryScale(Draw draw)
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) icon.addPixmap(draw(size));
    return icon;
}

} // namespace

QIcon Command(TCommandImage image)
{
    return AtEveryScale([image](int size) { return CommandPixmap(image, size); });
}

QIcon TickBox(bool checked)
{
    return AtEveryScale([checked](int size) { return TickBoxPixmap(checked, size); });
}

QPixmap ProgramIcon(int size, qreal ratio)
{
    const int pixels = qRound(size * ratio);
    QPixmap pixmap = Canvas(pixels);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(pixels / 32.0, pixels / 32.0);
    p.setPen(QColor(40, 60, 120));
    p.setBrush(QColor(250, 248, 235));
    p.drawRoundedRect(QRectF(3.5, 5.5, 22, 24), 2, 2);
    p.setPen(QPen(QColor(150, 150, 160), 1));
    for (int y = 11; y < 27; y += 4) p.drawLine(QPointF(7, y), QPointF(22, y));
    // The quill.
    QPainterPath quill;
    quill.moveTo(12, 25);
    quill.cubicTo(16, 14, 22, 6, 30, 2);
    quill.cubicTo(27, 10, 21, 18, 12, 25);
    p.setPen(QColor(90, 40, 10));
    p.setBrush(QColor(200, 90, 40));
    p.drawPath(quill);
    p.end();
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QIcon ProgramIcons()
{
    // The installed scalable icon where the icon theme has it (and Qt can read
    // SVG); the same picture drawn here otherwise.
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) icon.addPixmap(ProgramIcon(size));
    return QIcon::fromTheme(QStringLiteral("quillet"), icon);
}

} // namespace Images
