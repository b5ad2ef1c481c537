#include "Announcer.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace
{

QAccessibleInterface* announcerInterface(const QString& className, QObject* object)
{
    if (className == QLatin1String("Announcer") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
    return nullptr;
}

} // namespace

Announcer::Announcer(QWidget* parent)
    : QWidget(parent)
{
    static const bool factory = [] {
        QAccessible::installFactory(announcerInterface);
        return true;
    }();
    Q_UNUSED(factory);
    setObjectName(QStringLiteral("announcer"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    resize(1, 1);
    hide();
}

void Announcer::say(const QString& text)
{
    if (text.isEmpty())
        return;
    m_last = text;
    hide();
    setAccessibleName(text); // tells readers the name changed
    show(); // and that a notification appeared
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
    emit said(text);
}
