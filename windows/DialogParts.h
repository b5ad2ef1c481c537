#pragma once
// Pieces the Host Game and Join Game dialogs share.

#include <QString>

class QLabel;
class QLineEdit;
class QWidget;

namespace dialogparts
{

QLineEdit* lineEdit(QWidget* parent, const char* name);
// A red line for what went wrong, hidden until there is something to say.
// Plain text always: it may repeat what the player typed or what came from the network.
QLabel* problemLabel(QWidget* parent);
void showProblem(QLabel* label, const QString& text);

} // namespace dialogparts
