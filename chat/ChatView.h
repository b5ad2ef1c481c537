#pragma once
// The read-only chat view: one line per message, in the colour it came with.

#include <QColor>
#include <QTextBrowser>

#include <cstdint>

// 0x00BBGGRR as the wire and the settings file spell colours.
QColor colorFromBgr(std::uint32_t bgr);
std::uint32_t bgrFromColor(const QColor& colour);

class ChatView : public QTextBrowser
{
    Q_OBJECT
public:
    explicit ChatView(QWidget* parent = nullptr);

    // "n+text": style 0 is a system line; a player's line (n > 0) shows its
    // head up to the first ":" in bold. Text is shown literally, never as markup.
    void addLine(const QString& line, const QColor& colour);

    void setTextSize(int points);
    int textSize() const { return m_textSize; }

    // With scrolling off, new lines do not pull the view to the bottom.
    void setScrollOff(bool off) { m_scrollOff = off; }
    bool scrollOff() const { return m_scrollOff; }

    // ZIRKY_LOG_CHAT=1 echoes every line to stderr (a debugging aid).
    static bool logToStderr();

private:
    int m_textSize = 8;
    bool m_scrollOff = false;
};
