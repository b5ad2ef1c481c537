#include "TileWidget.h"

#include <QHash>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

TileWidget::TileWidget(int number, QWidget* parent)
    : QWidget(parent)
    , m_number(number)
{
    setObjectName(QString("dice_%1").arg(number));
    setToolTip(QString::number(number));
    setFixedSize(41, 41);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TileWidget::setTileSize(int side)
{
    if (size() != QSize(side, side))
        setFixedSize(side, side);
}

int TileWidget::convertletter(char letter) { return letter >= 'A' && letter <= 'Z' ? letter - 'A' + 1 : 1; }

void TileWidget::setLetter(char letter)
{
    if (letter == m_letter)
        return;
    m_letter = letter;
    update();
}

void TileWidget::setInWord(bool inWord)
{
    if (inWord == m_inWord)
        return;
    m_inWord = inWord;
    update();
}

namespace
{

// One face per letter, state and screen density, drawn once: painting a tile
// is then a plain copy, with no gradient work on every move.
QPixmap tileFace(char letter, bool inWord, qreal dpr, QSize size)
{
    // Never destroyed: pixmaps must not outlive the application that made them.
    static auto* cache = new QHash<QString, QPixmap>;
    const QString key = QString("%1-%2-%3-%4").arg(int(letter)).arg(inWord).arg(dpr).arg(size.width());
    if (const auto it = cache->constFind(key); it != cache->constEnd())
        return *it;

    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn at the default window's 41 pixels and scaled, so a tile looks the same at every size.
    const qreal k = size.width() / 41.0;
    p.scale(k, k);
    const QRectF r = QRectF(0, 0, 41, 41).adjusted(1.5, 1.5, -2.5, -2.5);
    // A shadow below-right lifts the tile off the board.
    QPainterPath shadow;
    shadow.addRoundedRect(r.translated(1.5, 1.5), 5, 5);
    p.fillPath(shadow, QColor(0, 0, 0, 70));

    QLinearGradient face(r.topLeft(), r.bottomRight());
    if (letter) {
        face.setColorAt(0, inWord ? QColor(255, 244, 200) : QColor(255, 248, 226));
        face.setColorAt(1, inWord ? QColor(236, 204, 120) : QColor(228, 205, 150));
    } else {
        face.setColorAt(0, QColor(240, 234, 220, 150));
        face.setColorAt(1, QColor(214, 200, 170, 150));
    }
    QPainterPath body;
    body.addRoundedRect(r, 5, 5);
    p.fillPath(body, face);
    p.setPen(QPen(QColor(120, 90, 40), 1));
    p.drawPath(body);
    // Bevel highlight along the top and left edges.
    p.setPen(QPen(QColor(255, 255, 255, 170), 1.5));
    p.drawLine(QPointF(r.left() + 4, r.top() + 1.5), QPointF(r.right() - 4, r.top() + 1.5));
    p.drawLine(QPointF(r.left() + 1.5, r.top() + 4), QPointF(r.left() + 1.5, r.bottom() - 4));
    if (letter) {
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(25);
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(40, 28, 10));
        const QChar c(static_cast<char16_t>('A' + TileWidget::convertletter(letter) - 1));
        p.drawText(r.adjusted(0, -1, 0, 0), Qt::AlignCenter, QString(c));
    }
    p.end();
    // A window being resized passes through many sizes: only the recent ones are kept.
    if (cache->size() > 256)
        cache->clear();
    cache->insert(key, pm);
    return pm;
}

} // namespace

void TileWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawPixmap(0, 0, tileFace(m_letter, m_inWord, devicePixelRatioF(), size()));
}

void TileWidget::mousePressEvent(QMouseEvent* event)
{
    emit pressed(m_number, event->button());
    event->accept();
}
