#include "ChatView.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include <cstdio>

QColor colorFromBgr(std::uint32_t bgr)
{
    return QColor(
        static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF), static_cast<int>((bgr >> 16) & 0xFF));
}

std::uint32_t bgrFromColor(const QColor& c)
{
    return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8)
        | (static_cast<std::uint32_t>(c.blue()) << 16);
}

ChatView::ChatView(QWidget* parent)
    : QTextBrowser(parent)
{
    setObjectName("mainchat");
    setReadOnly(true);
    setOpenLinks(false);
    setUndoRedoEnabled(false);
    setTextSize(8);
}

bool ChatView::logToStderr()
{
    static const bool on = qEnvironmentVariable("ZIRKY_LOG_CHAT") == "1";
    return on;
}

void ChatView::addLine(const QString& line, const QColor& colour)
{
    if (logToStderr()) {
        std::fprintf(stderr, "chat: %s\n", line.toUtf8().constData());
        std::fflush(stderr);
    }
    const qsizetype plus = line.indexOf('+');
    bool numbered = false;
    const int style = plus >= 0 ? line.left(plus).toInt(&numbered) : 0;
    const QString text = plus >= 0 ? line.mid(plus + 1) : line;

    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (!document()->isEmpty())
        cursor.insertBlock();

    QTextCharFormat plain;
    plain.setForeground(colour);
    plain.setFontPointSize(m_textSize);
    QString body = text;
    if (numbered && style > 0) {
        const qsizetype colon = text.indexOf(':');
        if (colon >= 0) {
            QTextCharFormat head = plain;
            head.setFontWeight(QFont::Bold);
            cursor.insertText(text.left(colon + 1) + ' ', head);
            body = text.mid(colon + 1).trimmed();
        }
    }
    cursor.insertText(body, plain);

    if (!m_scrollOff)
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ChatView::setTextSize(int points)
{
    if (points <= 0)
        return;
    m_textSize = points;
    QFont f = font();
    f.setPointSize(points);
    document()->setDefaultFont(f);
    // Every line takes the new size, as all styles share one font size.
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    QTextCharFormat size;
    size.setFontPointSize(points);
    all.mergeCharFormat(size);
}
