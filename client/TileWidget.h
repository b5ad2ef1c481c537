#pragma once
// One letter tile, drawn rather than scaled from a bitmap so it stays crisp
// at any screen density: a wooden-cream face, a soft bevel, a bold capital.

#include <QWidget>

class TileWidget : public QWidget
{
    Q_OBJECT
public:
    TileWidget(int number, QWidget* parent);

    int number() const { return m_number; }
    // 0: a blank face (the letter picture cleared).
    void setLetter(char letter);
    char letter() const { return m_letter; }
    void setInWord(bool inWord);
    // Tiles are square; 41 in the default window.
    void setTileSize(int side);

    // "A".."Z" -> 1..26 by the first character; anything else -> 1.
    static int convertletter(char letter);

signals:
    void pressed(int number, Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int m_number;
    char m_letter = 0;
    bool m_inWord = false;
};
