#include "TileWidget.h"

#include "chat/Faces.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace
{

// A tile is a button to a screen reader: "press" takes it or takes it back,
// and it is checked while it stands in the word.
class TileAccessible : public QAccessibleWidget
{
public:
    explicit TileAccessible(TileWidget* tile)
        : QAccessibleWidget(tile, QAccessible::Button)
    {
    }
    TileWidget* tile() const { return static_cast<TileWidget*>(widget()); }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = tile()->inWord();
        return s;
    }
    QStringList actionNames() const override { return { pressAction(), setFocusAction() }; }
    void doAction(const QString& name) override
    {
        if (name == pressAction())
            emit tile()->activated(tile()->number());
        else
            QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface* tileInterface(const QString& className, QObject* object)
{
    if (className == QLatin1String("TileWidget") && object && object->isWidgetType())
        return new TileAccessible(static_cast<TileWidget*>(object));
    return nullptr;
}

} // namespace

TileWidget::TileWidget(int number, QWidget* parent)
    : QWidget(parent)
    , m_number(number)
{
    static const bool factory = [] {
        QAccessible::installFactory(tileInterface);
        return true;
    }();
    Q_UNUSED(factory);
    setObjectName(QString("dice_%1").arg(number));
    setToolTip(QString::number(number));
    setFixedSize(41, 41);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    // Reached by Tab or F6, never taken from the chat by a click.
    setFocusPolicy(Qt::TabFocus);
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
    const QRectF r = QRectF(0, 0, 41, 41).adjusted(1.5, 1.5, -2.5, -2.5);
    QPainterPath body;
    body.addRoundedRect(r, 5, 5);
    // A shadow below-right lifts the tile off the board.
    QPainterPath shadow;
    shadow.addRoundedRect(r.translated(1.5, 1.5), 5, 5);
    QLinearGradient face(r.topLeft(), r.bottomRight());
    if (letter) {
        face.setColorAt(0, inWord ? QColor(255, 244, 200) : QColor(255, 248, 226));
        face.setColorAt(1, inWord ? QColor(236, 204, 120) : QColor(228, 205, 150));
    } else {
        face.setColorAt(0, QColor(240, 234, 220, 150));
        face.setColorAt(1, QColor(214, 200, 170, 150));
    }
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(25);
    font.setBold(true);
    const QString shown(QChar(static_cast<char16_t>('A' + TileWidget::convertletter(letter) - 1)));
    // A new face is drawn at every step of a resize: in bands, so that its
    // tall fills are not handed to Qt's thread pool and waited for.
    faces::drawInBands(p, QRect(QPoint(0, 0), size), [&] {
        p.scale(k, k);
        p.fillPath(shadow, QColor(0, 0, 0, 70));
        p.fillPath(body, face);
        p.setPen(QPen(QColor(120, 90, 40), 1));
        p.drawPath(body);
        // Bevel highlight along the top and left edges.
        p.setPen(QPen(QColor(255, 255, 255, 170), 1.5));
        p.drawLine(QPointF(r.left() + 4, r.top() + 1.5), QPointF(r.right() - 4, r.top() + 1.5));
        p.drawLine(QPointF(r.left() + 1.5, r.top() + 4), QPointF(r.left() + 1.5, r.bottom() - 4));
        if (letter) {
            p.setFont(font);
            p.setPen(QColor(40, 28, 10));
            p.drawText(r.adjusted(0, -1, 0, 0), Qt::AlignCenter, shown);
        }
    });
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
    if (hasFocus()) {
        // The keyboard's place, drawn as a ring rather than a colour change.
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(20, 60, 160), 2.5, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        faces::drawInBands(p, rect(), [&] { p.drawRoundedRect(QRectF(rect()).adjusted(2, 2, -3, -3), 5, 5); });
    }
}

bool TileWidget::ownsKey(int key)
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Menu:
        return true;
    default:
        return false;
    }
}

void TileWidget::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        emit stepped(m_number, -1);
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        emit stepped(m_number, 1);
        break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit activated(m_number);
        break;
    case Qt::Key_Menu:
        emit pressed(m_number, Qt::RightButton);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TileWidget::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void TileWidget::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

void TileWidget::mousePressEvent(QMouseEvent* event)
{
    emit pressed(m_number, event->button());
    event->accept();
}
