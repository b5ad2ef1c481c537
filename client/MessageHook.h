#pragma once
// Every modal message and question of the client goes through here, so tests
// can answer it instead of blocking on a dialog.

#include <QString>

#include <functional>

class QWidget;

using MessageHook = std::function<void(QWidget* parent, const QString& text)>;

// Replaces the hook; an empty hook restores the message box. Returns the previous one.
MessageHook setMessageHook(MessageHook hook);
void showMessage(QWidget* parent, const QString& text);

// A question whether to leave a game, answered "Leave" (true) or "Stay".
using QuestionHook = std::function<bool(QWidget* parent, const QString& text)>;
QuestionHook setQuestionHook(QuestionHook hook);
bool askToLeave(QWidget* parent, const QString& text);
