#pragma once
// The chat input `mychat`: Enter sends what was typed (chat, "/me" action, or
// nothing for other "/" texts); the pop-up offers "Paste", the smiley menu
// and "Chat Scroll Off", kept in step with the chat view's own item.

#include <QLineEdit>

class ChatOutbox;
class QMenu;

class ChatInput : public QLineEdit
{
    Q_OBJECT
public:
    static constexpr int kMaxLength = 400;
    static constexpr const char* kPrompt = "<Enter Chat Here>";

    explicit ChatInput(ChatOutbox* outbox, QWidget* parent = nullptr);

    // The chat view's "Chat Scroll Off" item, shown in this pop-up too.
    void setScrollOffAction(QAction* item);
    // The typed text's colour, also the colour this player's lines go out in.
    void setTextColor(const QColor& colour);

    // Enter: sends through the outbox and empties the input when it says so.
    void sendit();
    // "Paste": the clipboard's text on one line, appended, caret at the end.
    void pasteAtEnd();
    // An item of the smiley menu: ":)#" and its number, appended.
    void addSmiley(int number);

    QMenu* popupMenu() const { return m_popup; }
    QMenu* smileyMenu() const { return m_smileys; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    ChatOutbox* m_outbox;
    QMenu* m_popup = nullptr;
    QMenu* m_smileys = nullptr;
    QAction* m_scrollOffItem = nullptr;
};
