#include "MessageHook.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

#include <utility>

namespace
{
MessageHook& hook()
{
    static MessageHook h;
    return h;
}
QuestionHook& questionHook()
{
    static QuestionHook h;
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

QuestionHook setQuestionHook(QuestionHook h) { return std::exchange(questionHook(), std::move(h)); }

bool askToLeave(QWidget* parent, const QString& text)
{
    if (questionHook())
        return questionHook()(parent, text);
    QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(), text, QMessageBox::NoButton, parent);
    QPushButton* leave = box.addButton(QStringLiteral("Leave"), QMessageBox::DestructiveRole);
    QPushButton* stay = box.addButton(QStringLiteral("Stay"), QMessageBox::RejectRole);
    // Enter must never end a game by accident.
    box.setDefaultButton(stay);
    box.exec();
    return box.clickedButton() == leave;
}
