#include "Smileys.h"

#include "ChatLine.h"

#include <QPainter>
#include <QPainterPath>

namespace
{

enum Face {
    Smile,
    Grin,
    Wink,
    Sad,
    Tongue,
    Surprised,
    Cool,
    Angry,
    Crying,
    Laughing,
    Kiss,
    Confused,
    Neutral,
    Blushing,
    Devil,
    Angel,
    Sleepy,
    InLove
};

const QColor kInk(40, 30, 20);

void eyes(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(QRectF(32, 30, 10, 16));
    p.drawEllipse(QRectF(58, 30, 10, 16));
}

void closedEye(QPainter& p, double x, bool up)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kInk, 5, Qt::SolidLine, Qt::RoundCap));
    if (up)
        p.drawArc(QRectF(x, 32, 16, 12), 0, 180 * 16);
    else
        p.drawArc(QRectF(x, 28, 16, 12), 180 * 16, 180 * 16);
}

void smileMouth(QPainter& p)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kInk, 6, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(26, 34, 48, 40), 200 * 16, 140 * 16);
}

void openMouth(QPainter& p)
{
    QPainterPath mouth;
    mouth.moveTo(26, 58);
    mouth.lineTo(74, 58);
    mouth.arcTo(QRectF(26, 38, 48, 40), 0, -180);
    p.setPen(QPen(kInk, 4));
    p.setBrush(QColor(150, 30, 40));
    p.drawPath(mouth);
}

void heart(QPainter& p, QPointF c, double s, const QColor& colour)
{
    QPainterPath h;
    h.moveTo(c.x(), c.y() + s * 0.9);
    h.cubicTo(c.x() - s * 1.4, c.y() - s * 0.1, c.x() - s * 0.6, c.y() - s * 1.1, c.x(), c.y() - s * 0.3);
    h.cubicTo(c.x() + s * 0.6, c.y() - s * 1.1, c.x() + s * 1.4, c.y() - s * 0.1, c.x(), c.y() + s * 0.9);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(h);
}

void drawFace(QPainter& p, int face)
{
    QColor skin(255, 214, 40);
    if (face == Angry)
        skin = QColor(245, 110, 60);
    else if (face == Devil)
        skin = QColor(200, 60, 200);

    if (face == Devil) { // horns behind the head
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(150, 20, 150));
        p.drawPolygon(QPolygonF({ QPointF(14, 30), QPointF(10, 2), QPointF(34, 14) }));
        p.drawPolygon(QPolygonF({ QPointF(86, 30), QPointF(90, 2), QPointF(66, 14) }));
    }
    QRadialGradient shade(QPointF(38, 34), 70);
    shade.setColorAt(0, skin.lighter(125));
    shade.setColorAt(1, skin.darker(115));
    p.setPen(QPen(QColor(120, 80, 0), 4));
    p.setBrush(shade);
    p.drawEllipse(QRectF(6, 6, 88, 88));

    switch (face) {
    case Smile:
        eyes(p);
        smileMouth(p);
        break;
    case Grin:
        eyes(p);
        openMouth(p);
        break;
    case Wink:
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        p.drawEllipse(QRectF(32, 30, 10, 16));
        closedEye(p, 56, false);
        smileMouth(p);
        break;
    case Sad:
        eyes(p);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kInk, 6, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(28, 62, 44, 30), 30 * 16, 120 * 16);
        break;
    case Tongue:
        eyes(p);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(230, 70, 90));
        p.drawEllipse(QRectF(44, 62, 18, 22));
        p.setPen(QPen(kInk, 6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(30, 64), QPointF(70, 64));
        break;
    case Surprised:
        eyes(p);
        p.setPen(QPen(kInk, 4));
        p.setBrush(QColor(120, 30, 30));
        p.drawEllipse(QRectF(40, 58, 20, 24));
        break;
    case Cool:
        p.setPen(QPen(kInk, 4));
        p.setBrush(QColor(20, 20, 30));
        p.drawRoundedRect(QRectF(20, 30, 28, 18), 6, 6);
        p.drawRoundedRect(QRectF(52, 30, 28, 18), 6, 6);
        p.drawLine(QPointF(10, 36), QPointF(90, 36));
        smileMouth(p);
        break;
    case Angry:
        eyes(p);
        p.setPen(QPen(kInk, 6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(26, 22), QPointF(44, 30));
        p.drawLine(QPointF(74, 22), QPointF(56, 30));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(30, 64, 40, 26), 30 * 16, 120 * 16);
        break;
    case Crying:
        closedEye(p, 30, false);
        closedEye(p, 56, false);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 150, 255));
        p.drawEllipse(QRectF(28, 44, 10, 22));
        p.drawEllipse(QRectF(64, 44, 10, 22));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kInk, 6, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(30, 66, 40, 24), 30 * 16, 120 * 16);
        break;
    case Laughing:
        closedEye(p, 28, true);
        closedEye(p, 56, true);
        openMouth(p);
        break;
    case Kiss:
        eyes(p);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kInk, 5, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(42, 58, 14, 10), -90 * 16, 180 * 16);
        p.drawArc(QRectF(42, 68, 14, 10), -90 * 16, 180 * 16);
        heart(p, QPointF(74, 72), 10, QColor(230, 40, 60));
        break;
    case Confused: {
        eyes(p);
        QPainterPath wave;
        wave.moveTo(28, 70);
        wave.cubicTo(38, 60, 46, 80, 56, 70);
        wave.cubicTo(62, 64, 68, 66, 72, 68);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kInk, 6, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(wave);
        break;
    }
    case Neutral:
        eyes(p);
        p.setPen(QPen(kInk, 6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(32, 68), QPointF(68, 68));
        break;
    case Blushing:
        closedEye(p, 28, true);
        closedEye(p, 56, true);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 110, 120, 170));
        p.drawEllipse(QRectF(16, 50, 18, 12));
        p.drawEllipse(QRectF(66, 50, 18, 12));
        smileMouth(p);
        break;
    case Devil:
        p.setPen(QPen(kInk, 6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(26, 26), QPointF(44, 32));
        p.drawLine(QPointF(74, 26), QPointF(56, 32));
        eyes(p);
        smileMouth(p);
        break;
    case Angel:
        eyes(p);
        smileMouth(p);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 240, 120), 6));
        p.drawEllipse(QRectF(24, 0, 52, 12));
        p.setPen(QPen(QColor(200, 170, 0), 2));
        p.drawEllipse(QRectF(24, 0, 52, 12));
        break;
    case Sleepy:
        closedEye(p, 28, false);
        closedEye(p, 56, false);
        p.setPen(QPen(kInk, 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(40, 70), QPointF(60, 70));
        p.setPen(QPen(QColor(40, 60, 200), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({ QPointF(70, 8), QPointF(84, 8), QPointF(70, 22), QPointF(84, 22) }));
        break;
    case InLove:
        heart(p, QPointF(36, 40), 12, QColor(230, 30, 60));
        heart(p, QPointF(64, 40), 12, QColor(230, 30, 60));
        smileMouth(p);
        break;
    }
}

} // namespace

QImage smileyImage(int picture, int size)
{
    if (picture < 0 || picture >= chat::kSmileyCount)
        picture = 0;
    size = qBound(8, size, 256);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 100.0, size / 100.0);
    drawFace(p, picture);
    return image;
}

QIcon smileyIcon(int picture)
{
    QIcon icon;
    for (int size : { 16, 24, 32 })
        icon.addPixmap(QPixmap::fromImage(smileyImage(picture, size)));
    return icon;
}
