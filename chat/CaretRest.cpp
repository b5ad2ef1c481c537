#include "CaretRest.h"

#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>

CaretRest::CaretRest(int restMs, QObject* parent)
    : QObject(parent)
    , m_flashTime(QGuiApplication::styleHints()->cursorFlashTime())
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(restMs);
    connect(&m_timer, &QTimer::timeout, this, &CaretRest::rest);
    qApp->installEventFilter(this);
    m_timer.start();
}

CaretRest::~CaretRest() { wake(); }

void CaretRest::watchApplication()
{
    if (!qApp->findChild<CaretRest*>(QString(), Qt::FindDirectChildrenOnly))
        new CaretRest(10'000, qApp);
}

bool CaretRest::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::FocusIn:
        wake();
        m_timer.start();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void CaretRest::rest()
{
    if (m_resting || m_flashTime <= 0)
        return;
    m_resting = true;
    // No blink period: Qt's text fields show the caret steadily.
    QGuiApplication::styleHints()->setCursorFlashTime(0);
}

void CaretRest::wake()
{
    if (!m_resting)
        return;
    m_resting = false;
    QGuiApplication::styleHints()->setCursorFlashTime(m_flashTime);
}
