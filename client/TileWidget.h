#pragma once
// One letter tile, drawn rather than scaled from a bitmap so it stays crisp
// at any screen density: a wooden-cream face, a soft bevel, a bold capital.
// It can hold the keyboard too: the arrows move along the rack and the word,
// Space or Enter takes the tile (or takes it back), as a click would.

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
    bool inWord() const { return m_inWord; }

    // "A".."Z" -> 1..26 by the first character; anything else -> 1.
    static int convertletter(char letter);
    // The keys a tile with the keyboard acts on itself.
    static bool ownsKey(int key);

signals:
    void pressed(int number, Qt::MouseButton button);
    // Space or Enter on the tile, or a screen reader's "press".
    void activated(int number);
    // An arrow key: the tile `step` places before (-1) or after (+1) this one.
    void stepped(int number, int step);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int m_number;
    char m_letter = 0;
    bool m_inWord = false;
};
