#pragma once
// A text field's caret blinks while it has the keyboard, and every blink
// wakes the program. A player who has stopped typing is not watching the
// caret: after a while with no key or click the caret stays lit instead of
// blinking, and the next key or click brings the blinking back. An idle
// window then wakes no one.

#include <QObject>
#include <QTimer>

class CaretRest : public QObject
{
    Q_OBJECT
public:
    // Watches the whole application's input; rests after `restMs` without any.
    explicit CaretRest(int restMs = 10'000, QObject* parent = nullptr);
    ~CaretRest() override;

    // The one the game's windows share, made on first use and kept with the application.
    static void watchApplication();

    bool resting() const { return m_resting; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rest();
    void wake();

    QTimer m_timer;
    int m_flashTime = 0; // the platform's blink period, put back on waking
    bool m_resting = false;
};
