#pragma once
// Every modal message of the client goes through here, so tests can answer
// it instead of blocking on a dialog.

#include <QString>

#include <functional>

class QWidget;

using MessageHook = std::function<void(QWidget* parent, const QString& text)>;

// Replaces the hook; an empty hook restores the message box. Returns the previous one.
MessageHook setMessageHook(MessageHook hook);
void showMessage(QWidget* parent, const QString& text);
