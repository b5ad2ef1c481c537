// Draws the chat pieces as the main window will hold them and saves pictures
// of them, to look at: chat_demo <folder>. Run under xvfb-run (or offscreen).

#include "chat/ChatInput.h"
#include "chat/ChatLine.h"
#include "chat/ChatOutbox.h"
#include "chat/ChatView.h"
#include "chat/PhraseBar.h"
#include "chat/Smileys.h"
#include "windows/PhraseListWindow.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>

#include <cstdio>

namespace
{

void save(QWidget* w, const QString& path)
{
    w->grab().save(path);
    std::printf("%s\n", qPrintable(path));
}

// A chat or action as the host relays it: "seat+text|colour".
void received(ChatView* view, std::string_view rest)
{
    const chat::Payload p = chat::splitPayload(rest);
    view->addLine(QString::fromStdString(p.line), colorFromBgr(p.colour));
}

// A menu drawn as it looks when open.
void saveMenu(QMenu* menu, const QString& path)
{
    menu->popup(QPoint(0, 0));
    QApplication::processEvents();
    save(menu, path);
    menu->hide();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    QDir().mkpath(out);

    ChatOutbox outbox;
    QWidget board;
    board.setStyleSheet("background: #dfe9f3;");
    board.resize(580, 330);
    auto* column = new QVBoxLayout(&board);
    auto* view = new ChatView(&board);
    view->setStyleSheet("QTextBrowser { background: rgba(255,255,255,225); border: 1px solid #8aa; }");
    auto* input = new ChatInput(&outbox, &board);
    auto* bar = new PhraseBar(&outbox, &board);
    input->setScrollOffAction(view->scrollOffAction());
    column->addWidget(view);
    column->addWidget(input);
    column->addWidget(bar);

    view->addLine("0+Loading Multi-player Game.. Please Wait.", Qt::blue);
    view->addLine("0+You are Connected.", Qt::blue);
    view->addLine("0+Bob is Connected.", Qt::blue);
    received(view, "1+Ann chats: Hi Bob! :)#10|$00C00000");
    received(view, "2+Bob chats: Hello Ann :)#21 ready for a game?|clGreen");
    view->addLine("0+Cy is Connected.", Qt::blue);
    received(view, "3+Cy chats: rules are at www.example.org/zirky or http://example.com/help|$000060C0");
    received(view, "2+Bob waves at everyone :)#14|clGreen");
    received(view, "1+Ann says: Good One!|$00C00000");
    received(view, "3+Cy chats: <b>not bold</b> &amp; <a href=\"file:///etc\">x</a> <img src=a.png>|$000060C0");
    view->addLine("0+Dee has left.", QColor(0, 0, 128));
    received(view, "3+Cy chats: :)#11 :)#12 :)#13 :)#15 :)#16 :)#17 :)#18 :)#19 :)#20|$000060C0");
    received(view, "2+Bob chats: :)#22 :)#23 :)#24 :)#25 :)#26 :)#27 :)#99|clGreen");
    board.show();
    QApplication::processEvents();
    save(&board, out + "/chat-board.png");

    saveMenu(view->popupMenu(), out + "/chat-view-menu.png");
    saveMenu(input->popupMenu(), out + "/chat-input-menu.png");
    saveMenu(input->smileyMenu(), out + "/chat-smiley-menu.png");
    saveMenu(bar->chatterMenu(), out + "/chat-chatter-menu.png");

    // The eighteen pictures large, in order :)#10 .. :)#27.
    QImage sheet(18 * 52, 52, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    for (int i = 0; i < 18; ++i)
        p.drawImage(i * 52 + 2, 2, smileyImage(i, 48));
    p.end();
    sheet.save(out + "/chat-smileys.png");

    QPixmap bg(":/background.jpg");
    PhraseListWindow phrases(bg);
    phrases.showPhrases(bar->phrases());
    QApplication::processEvents();
    save(&phrases, out + "/chat-phrase-window.png");
    return 0;
}
