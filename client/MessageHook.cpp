#include "MessageHook.h"

#include <QCoreApplication>
#include <QMessageBox>

#include <utility>

namespace
{
MessageHook& hook()
{
    static MessageHook h;
    return h;
}
} // namespace

MessageHook setMessageHook(MessageHook h) { return std::exchange(hook(), std::move(h)); }

void showMessage(QWidget* parent, const QString& text)
{
    if (hook()) {
        hook()(parent, text);
        return;
    }
    QMessageBox::information(parent, QCoreApplication::applicationName(), text);
}
