#pragma once
// Small pieces of the board shared by its drawing and its layout.

#include <QPixmap>
#include <QPushButton>

// A button that also reports double clicks: buying tiles costs points, so one
// stray click must not do it.
class DoubleClickButton : public QPushButton
{
    Q_OBJECT
public:
    using QPushButton::QPushButton;
signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        QPushButton::mouseDoubleClickEvent(event);
        emit doubleClicked();
    }
};

// The seat markers, drawn for the size the board shows them at.
namespace boardicons
{
// Two eyes: the player is just watching. 26 x 16 in the default window.
QPixmap eyes(QSize size, qreal dpr);
// "NEW": the player bought new tiles this turn. 30 x 16 in the default window.
QPixmap newTiles(QSize size, qreal dpr);
} // namespace boardicons
