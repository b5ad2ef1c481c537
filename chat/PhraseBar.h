#pragma once
// The phrase buttons `b_phrase1` .. `b_phrase9` under the board: one click
// sends the button's phrase (its hint) as an action, at most one per
// cool-down. `b_phrase10` opens the chatter-sound menu. Every caption shows
// whole: the buttons flow into rows, breaking captions on two lines where
// that keeps the bar lower.

#include "Speaker.h"

#include <QMenu>
#include <QStringList>
#include <QWidget>

#include <array>

#include <memory>

class ChatOutbox;
class QPushButton;

// The chatter-sound menu: "wave1" .. "wave20" with their captions, then "<Cancel>".
class ChatterMenu : public QMenu
{
    Q_OBJECT
public:
    explicit ChatterMenu(ChatOutbox* outbox, QWidget* parent = nullptr);
    // Item `wave1`..`wave20` chosen (onChatterSoundChosen): sent when this seat may.
    void onChatterSoundChosen(int number);

private:
    ChatOutbox* m_outbox;
};

class PhraseBar : public QWidget
{
    Q_OBJECT
public:
    explicit PhraseBar(ChatOutbox* outbox, QWidget* parent = nullptr);

    // Stored phrases ("Phrase1".."Phrase9"); an empty one keeps the default.
    void setStoredPhrases(const std::array<std::string, chat::kPhraseCount>& stored);
    // The nine hints as they are now (what "Phrase List" edits).
    QStringList phrases() const;
    void setPhrases(const QStringList& phrases);

    void onPhraseClicked(int number); // 1..9
    ChatterMenu* chatterMenu() const { return m_chatter; }
    QPushButton* button(int number) const; // 1..10

    // The height the buttons need at this width; rows are never lower than the minimum row height.
    int heightForWidth(int width) const override;
    bool hasHeightForWidth() const override { return true; }
    void setMinimumRowHeight(int minRow);
    // The height they would need in `font`, with rows at least `minRow` high.
    int heightFor(int width, const QFont& font, int minRow) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Arrangement;
    Arrangement arrange(int width, const QFont& font, int minRow) const;
    // The captions' sizes in a font, whatever the width: measuring them is
    // most of an arrangement's cost, and the board tries a dozen widths and
    // fonts at each resize and the same few again at the next.
    struct Measured;
    const Measured& measured(const QFont& font) const;
    struct Remembered;
    mutable std::shared_ptr<Remembered> m_remembered;
    void place();

    ChatOutbox* m_outbox;
    int m_minRow = 24;
    std::array<QPushButton*, 10> m_buttons {};
    ChatterMenu* m_chatter = nullptr;
};
