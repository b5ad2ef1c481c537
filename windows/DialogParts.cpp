#include "DialogParts.h"

#include <QLabel>
#include <QLineEdit>

namespace dialogparts
{

QLineEdit* lineEdit(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMinimumWidth(220);
    return edit;
}

QLabel* problemLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("label_problem"));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("color: #b00020; font-weight: bold;"));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->hide();
    return label;
}

void showProblem(QLabel* label, const QString& text)
{
    label->setText(text);
    label->setVisible(!text.isEmpty());
}

} // namespace dialogparts
