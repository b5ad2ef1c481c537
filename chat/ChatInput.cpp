#include "ChatInput.h"

#include "ChatLine.h"
#include "ChatOutbox.h"
#include "Smileys.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

ChatInput::ChatInput(ChatOutbox* outbox, QWidget* parent)
    : QLineEdit(parent)
    , m_outbox(outbox)
{
    setObjectName("mychat");
    // A prompt, not text: it can never be sent by mistake, and typing replaces it.
    setPlaceholderText(kPrompt);
    setMaxLength(kMaxLength);

    m_smileys = new QMenu("Smileys", this);
    m_smileys->setObjectName("popup_smileys");
    for (int n = chat::kFirstSmiley; n < chat::kFirstSmiley + chat::kSmileyCount; ++n) {
        QAction* item = m_smileys->addAction(smileyIcon(n - chat::kFirstSmiley), QStringLiteral(":)#%1").arg(n));
        item->setObjectName(QStringLiteral("smiley%1").arg(n));
        connect(item, &QAction::triggered, this, [this, n] { addSmiley(n); });
    }

    m_popup = new QMenu(this);
    m_popup->setObjectName("popup_mychat");
    QAction* pasteItem = m_popup->addAction("Paste", this, &ChatInput::pasteAtEnd);
    pasteItem->setObjectName("Paste1");
    pasteItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    m_popup->addMenu(m_smileys);
}

void ChatInput::setScrollOffAction(QAction* item)
{
    if (m_scrollOffItem)
        m_popup->removeAction(m_scrollOffItem);
    m_scrollOffItem = item;
    if (item) {
        m_popup->addSeparator();
        m_popup->addAction(item);
    }
}

void ChatInput::setTextColor(const QColor& colour)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Text, colour);
    setPalette(pal);
    m_outbox->setTextColor(colour);
}

void ChatInput::sendit()
{
    bool clearInput = false;
    m_outbox->sendit(text(), &clearInput);
    if (clearInput)
        clear();
}

void ChatInput::pasteAtEnd()
{
    QString pasted = QApplication::clipboard()->text();
    pasted.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    pasted.replace('\n', ' ');
    pasted.replace('\r', ' ');
    setText(text() + pasted);
    end(false);
}

void ChatInput::addSmiley(int number)
{
    setText(text() + QStringLiteral(":)#%1").arg(number));
    end(false);
    setFocus();
}

void ChatInput::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        sendit();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        pasteAtEnd();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void ChatInput::contextMenuEvent(QContextMenuEvent* event) { m_popup->exec(event->globalPos()); }
