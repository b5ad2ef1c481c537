// The game without a mouse and without sight: the play menu with a key for
// every move, items greyed while they cannot act, the keyboard's home in the
// chat input, the rack walked with the arrows, and what happens said to a
// screen reader.

#include "MainWindow.h"

#include "Announcer.h"
#include "GameBoard.h"
#include "TileWidget.h"
#include "chat/ChatInput.h"
#include "chat/PhraseBar.h"

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>

#include <algorithm>

void MainWindow::buildPlayMenu(QMenu* play)
{
    auto item = [this, play](const QString& caption, const char* name, const QKeySequence& key, auto chosen) {
        QAction* a = play->addAction(caption);
        a->setObjectName(name);
        a->setShortcut(key);
        a->setEnabled(false);
        connect(a, &QAction::triggered, this, chosen);
        return a;
    };
    client::Game* game = &m_session.game();
    m_play.done = item("Done", "PlayDone1", QKeySequence(Qt::CTRL | Qt::Key_Return), [this] { onDoneClicked(); });
    m_play.takeBack = item("Take Back the Last Tile", "PlayTakeBack1", QKeySequence(Qt::CTRL | Qt::Key_B),
        [this, game] { apply(game->backspace()); });
    m_play.clear = item("Clear the Word", "PlayClear1", QKeySequence(Qt::Key_Escape), [this] { onClearClicked(); });
    m_play.shuffle = item("Shuffle the Rack", "PlayShuffle1", QKeySequence(Qt::CTRL | Qt::Key_R),
        [this, game] { apply(game->shuffle()); });
    play->addSeparator();
    m_play.newTiles = item("New Tiles (300 points)", "PlayNewTiles1", QKeySequence(Qt::CTRL | Qt::Key_T),
        [this] { onNewTilesDoubleClicked(); });
    m_play.oldTiles = item("Old Tiles Back (300 points)", "PlayOldTiles1",
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T), [this] { onOldTilesDoubleClicked(); });
    m_play.finish
        = item("Finish the Turn", "PlayFinish1", QKeySequence(Qt::CTRL | Qt::Key_F), [this] { onFinishClicked(); });
    play->addSeparator();
    // Tab itself switches typing (the game reads it before the focus moves);
    // the menu shows it after a tab character, as a hint and not as a second key.
    m_play.typing = item("Typing On or Off\tTab", "PlayTyping1", QKeySequence(), [this] { onTypingClicked(); });
    m_play.typing->setCheckable(true);
    m_play.tilesOrChat = item("Keyboard to the Tiles or the Chat", "PlayTilesOrChat1", QKeySequence(Qt::Key_F6),
        [this] { onTilesOrChatChosen(); });
    m_play.closeLists = item(
        "Close the Word Lists", "PlayCloseLists1", QKeySequence(Qt::CTRL | Qt::Key_W), [this] { onWordListsClosed(); });
    QAction* say = item("Say the Board", "PlaySayBoard1", QKeySequence(Qt::Key_F5), [this] { onSayTheBoardChosen(); });
    say->setEnabled(true);

    play->addSeparator();
    QMenu* phrases = play->addMenu("Say a Phrase");
    phrases->setObjectName("PlayPhrases1");
    std::array<QAction*, chat::kPhraseCount> phraseItems {};
    for (int n = 1; n <= chat::kPhraseCount; ++n) {
        QAction* a = phrases->addAction(QString::number(n));
        a->setObjectName(QString("PlayPhrase%1").arg(n));
        a->setShortcut(QKeySequence(Qt::ALT | static_cast<Qt::Key>(Qt::Key_0 + n)));
        connect(a, &QAction::triggered, this, [this, n] { m_board->phraseBar()->onPhraseClicked(n); });
        phraseItems[static_cast<std::size_t>(n - 1)] = a;
    }
    // The phrases change in the phrase list window: read them again when the menu opens.
    const auto readPhrases = [this, phraseItems] {
        const QStringList texts = m_board->phraseBar()->phrases();
        for (int i = 0; i < chat::kPhraseCount && i < texts.size(); ++i)
            phraseItems[static_cast<std::size_t>(i)]->setText(texts[i]);
    };
    readPhrases();
    connect(phrases, &QMenu::aboutToShow, this, readPhrases);
    play->addMenu(m_board->phraseBar()->chatterMenu())->setText("Chatter Sounds");

    // F10 opens the menu bar, as in other desktop programs: the arrows then
    // reach every item, the options included, without a mouse.
    auto* menus = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menus, &QShortcut::activated, this, [this] {
        const QList<QAction*> top = menuBar()->actions();
        const auto first = std::find_if(top.begin(), top.end(), [](QAction* a) { return a->isVisible(); });
        if (first != top.end())
            menuBar()->setActiveAction(*first);
    });
}

void MainWindow::updateMenus()
{
    const client::Game& game = m_session.game();
    const client::TurnButtons& b = game.buttons();
    // No second start while a game runs; Just Watch only where the host would act on it.
    m_startGame->setEnabled(m_session.hostRights() && !game.started());
    m_justWatch->setEnabled(m_session.roster().mayAskToWatch());
    m_play.done->setEnabled(b.done);
    m_play.clear->setEnabled(b.clear);
    m_play.takeBack->setEnabled(game.myTurn() && game.rack().wordLength() > 0);
    m_play.shuffle->setEnabled(game.myTurn());
    m_play.newTiles->setEnabled(b.newTiles);
    m_play.oldTiles->setEnabled(b.oldTiles);
    m_play.finish->setEnabled(b.finish);
    m_play.typing->setEnabled(b.typing);
    m_play.typing->setChecked(game.typingOn());
    m_play.tilesOrChat->setEnabled(!game.rack().readingOrder().empty());
    m_play.closeLists->setEnabled(game.wordListsShown() || game.missedShown());
}

void MainWindow::announce(const client::Effects& effects)
{
    const client::Game& game = m_session.game();
    QStringList said;
    for (const auto& line : effects.lines) {
        // "3+Bob chats: hi": the style number is for the eye.
        const auto plus = line.text.find('+');
        said << QString::fromStdString(plus == std::string::npos ? line.text : line.text.substr(plus + 1));
    }
    const auto changed = [&said](const std::string& now, std::string& before) {
        if (now == before)
            return;
        before = now;
        if (!now.empty())
            said << QString::fromStdString(now);
    };
    changed(game.status(), m_saidStatus);
    changed(game.resultText(), m_saidResult);
    changed(game.winnerShown() ? game.winnerText() : std::string(), m_saidWinner);
    for (const auto& s : effects.spoken)
        said << QString::fromStdString(s);
    if (!said.isEmpty())
        m_board->announcer()->say(said.join(' '));
}

void MainWindow::returnKeyboardHome()
{
    if (!isVisible())
        return;
    activateWindow();
    m_chatInput->setFocus();
}

void MainWindow::onTileActivated(int tile)
{
    // As a click, but the keyboard stays on the rack to go on building.
    client::Effects e = m_session.game().leftClick(tile);
    e.focusChat = false;
    apply(std::move(e));
}

void MainWindow::onTileStepped(int tile, int step)
{
    const std::vector<int> order = m_session.game().rack().readingOrder();
    if (order.empty())
        return;
    const auto at = std::find(order.begin(), order.end(), tile);
    const long here = at == order.end() ? 0 : static_cast<long>(at - order.begin());
    const long next = std::clamp<long>(here + step, 0, static_cast<long>(order.size()) - 1);
    m_board->tile(order[static_cast<std::size_t>(next)])->setFocus(Qt::TabFocusReason);
}

void MainWindow::onTilesOrChatChosen()
{
    if (qobject_cast<TileWidget*>(QApplication::focusWidget())) {
        m_chatInput->setFocus();
        return;
    }
    const std::vector<int> order = m_session.game().rack().readingOrder();
    if (!order.empty())
        m_board->tile(order.front())->setFocus(Qt::TabFocusReason);
}

void MainWindow::onSayTheBoardChosen()
{
    m_board->announcer()->say(QString::fromStdString(m_session.game().summary()));
}
