#pragma once
// The main window: the board, the chat, the menus, and the client's one
// connection to the game host. It reads the command line when first shown,
// hosts or joins (then, and again whenever the player asks in the Host Game and
// Join Game dialogs), and carries out what the session makes of the host's messages.

#include "app/GameAddress.h"
#include "app/LaunchPlan.h"
#include "app/Settings.h"
#include "client/Session.h"
#include "net/LogLimit.h"

#include <QColor>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QPixmap>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class ChatInput;
class ChatOutbox;
class ChatView;
class Sounds;
class ClientConnection;
class GameBoard;
class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class QWidget;
class AboutWindow;
class DownloadWindow;
class HostGameDialog;
class JoinGameDialog;
class WhereToJoinWindow;
class StartGameDialog;
class HelpWindow;
class PhraseListWindow;
class SpectatorList;
class TallyWindow;

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // What starting this copy's own game host came to.
    struct HostStart {
        bool listening = false;
        quint16 port = 0; // where it listens, or the port it could not have
        QString error; // why it could not listen
        QString dictionaryError; // shown to the player once the host runs
    };
    // What this copy's own game host is to be.
    struct HostRequest {
        quint16 port = 0; // 0: the system picks one (tests)
        bool cleanWords = false; // refuse offensive words for everyone
        bool announce = false; // list the game on the local network
        std::string playerName; // names the game on the network
    };
    struct Options {
        std::vector<std::string> args; // the command line without the program name
        quint16 hostPort = 7772; // 0: the port the in-process host listens on
        quint16 lobbyPort = 9001;
        std::string settingsPath; // full path of the settings file
        // The program's entry point owns the host and makes it only when this
        // copy hosts; one at a time: a running one is stopped first.
        std::function<HostStart(const HostRequest&)> startHost;
        std::function<void()> stopHost;
        // The player changed "Refuse Offensive Words" while this copy hosts.
        std::function<void(bool clean)> setCleanWords;
        // People (not computer players) seated or watching at this copy's
        // host, besides the one in `mySeat`.
        std::function<int(int mySeat)> othersAtMyGame;
        // Whether this copy's game is listed on the local network, in a sentence.
        std::function<QString()> announcementText;
        // Seats a computer player of level 0..3 (easy..expert) at this copy's host,
        // named apart from `taken`. Only a copy that hosts has it.
        std::function<void(int level, const std::vector<std::string>& taken)> addComputer;
    };
    // The windows created after this one, in start-up order.
    struct Windows {
        TallyWindow* tally = nullptr;
        AboutWindow* about = nullptr;
        HelpWindow* help = nullptr;
        PhraseListWindow* phrases = nullptr;
        SpectatorList* spectators = nullptr;
        StartGameDialog* startDialog = nullptr;
        DownloadWindow* download = nullptr;
    };

    MainWindow(const QPixmap& background, Options options, QWidget* parent = nullptr);
    ~MainWindow() override;

    void attach(const Windows& windows);

    // ---- start-up and launch
    void readCommandLine();
    void hostGame();
    void joinGame();

    // ---- playing with others, at any time
    void onHostGameChosen();
    void onJoinGameChosen();
    // A link from the command line or from a second copy: the Join dialog,
    // filled in; the player joins with Enter.
    void openInviteLink(const QString& link);
    void onCopyInviteLinkChosen();
    void onWhereToJoinChosen();
    void onCleanWordsChosen();
    // The dialogs, made when first used.
    HostGameDialog* hostDialog();
    JoinGameDialog* joinDialog();
    WhereToJoinWindow* whereToJoin();
    // Puts a text on the clipboard; tests listen instead.
    std::function<void(const QString& text)> copyToClipboard;
    // What the local network hears of this copy's game changed.
    void showAnnouncement(const QString& text);
    // A join from the dialog that hears nothing for this long gives up. Default 15 s.
    void setJoinTimeout(int milliseconds) { m_joinTimeoutMs = milliseconds; }
    // The port this copy's own host listens on; 0 when it hosts nothing.
    quint16 hostedPort() const { return m_hostedPort; }

    ClientConnection* connection() const { return m_conn; }
    // Leaves the game on purpose: the host frees the seat at once (no hold, no
    // "lost the connection" for the others) and the link closes for good.
    void leaveGame();

    // ---- the player at the board
    void onTilePressed(int tile, Qt::MouseButton button);
    void onDoneClicked();
    void onClearClicked();
    void onNewTilesDoubleClicked();
    void onOldTilesDoubleClicked();
    void onFinishClicked();
    void onTypingClicked();
    void onWordListsClosed();
    // The keyboard on the rack: Space or Enter on a tile, an arrow to the next one.
    void onTileActivated(int tile);
    void onTileStepped(int tile, int step);
    // F6: the keyboard goes to the tiles, or back to the chat.
    void onTilesOrChatChosen();
    // F5: the board in a sentence, for a screen reader.
    void onSayTheBoardChosen();
    // The one-second turn clock.
    void onClockTick();
    // Every game and chatter sound goes through here.
    void playSound(const std::string& name);
    // Tests and the sound player listen here; empty plays nothing.
    std::function<void(const std::string& name)> soundPlayer;

    // ---- game start
    void onStartClicked();
    void startGame();

    // ---- settings and options
    void loadSettings();
    void saveSettings();
    void onPlaySoundsChosen();
    void onChatterSoundsChosen();
    void onTurnSoundChosen(QAction* item);
    void onTwoRowsChosen();
    void onZeroKeyChosen();
    void onTextColorChosen();
    void onTextSizeChosen(QAction* item);
    void onScrollOffChosen();
    void onResetScreenLocationChosen();
    void onShowMissedWordsChosen();
    void onAddComputerChosen(int level);

    // ---- spectators and removal
    void prepareSeatMenu(int seat);
    void onRemoveFromGameChosen();
    void onSetToJustWatchChosen();
    void onUnsetJustWatchChosen();
    void onJustWatchChosen();

    // ---- menus
    void onExitChosen();
    void onViewTallyChosen();
    void onSpyListChosen();
    void onPhraseListChosen();
    void onHelpChosen();
    void onAboutChosen();

    // The colour dialog; tests replace it so nothing blocks.
    std::function<std::optional<QColor>(const QColor& initial)> pickColor;

    // ---- state other parts and tests read
    const client::Session& session() const { return m_session; }
    GameBoard* board() const { return m_board; }
    QTimer* turnClock() const { return m_turnClock; }
    const app::LaunchPlan& launchPlan() const { return m_plan; }
    const app::ZirkySettings& settings() const { return m_settings.values(); }
    int loadCount() const { return m_settings.loads(); }
    int turnSound() const { return m_settings.values().turnSound; }
    QColor textColor() const;
    ChatView* chatView() const { return m_chatView; }
    QMenu* seatMenu() const { return m_seatMenu; }
    QAction* action(const char* objectName) const;

    // Geometry as the settings file keeps it: outer left/top, outer size.
    app::Geometry windowGeometry() const;
    void applyWindowGeometry(const app::Geometry& g);

signals:
    // The window closed: the program ends.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildBoard(const QPixmap& background);
    void buildMenus();
    void fitMenuFont();
    void applyTextSize(int points);
    // The play menu (MainWindowKeys.cpp): every move of a turn, with its key.
    void buildPlayMenu(QMenu* play);
    // Items that cannot act now are greyed, so none is pressed for nothing.
    void updateMenus();
    // What changed, said to a screen reader in one breath.
    void announce(const client::Effects& effects);
    // The chat input takes the keyboard: at the start, and after every move
    // that the game describes as ending there.
    void returnKeyboardHome();
    // One of the windows attached to this one (the start window, help, tally...).
    bool isCompanionWindow(const QObject* object) const;
    // takeGameKey: a game key while typing; true when it must not reach the chat input.
    bool takeGameKey(QKeyEvent* key);
    // Carries out what the session or the model asked for, then redraws the board.
    void apply(client::Effects effects);
    // Start button, "Start Game" and the removal items follow the session's host rights.
    void showHostRights();
    void render();
    void syncClock();
    // The player's record: games, best turn and best game.
    void recordTally(const client::Effects& e);
    void rememberPlaceOnClose();
    // saveSettings, with the geometry rememberPlaceOnClose decided on when closing.
    void writeSettingsFile(std::optional<app::Geometry> closing);

    void addLine(const std::string& line, std::uint32_t bgr);
    // A host message the session dropped, for the log: a few lines a minute at
    // most, however many a hostile host sends.
    void logIgnored(const std::string& why);
    void sendToHost(const std::string& bytes);
    // A connection to the host with its signals wired to this window.
    void makeConnection();
    // Starts this copy's own host on `port` and connects to it (on
    // `connectTo`, or where it listens when 0); not listening when the port is taken.
    HostStart beginHosting(quint16 port, bool announce, quint16 connectTo = 0);
    void hostFromDialog(const QString& name, quint16 port, bool cleanWords);
    void joinFromDialog(const app::GameAddress& address, const QString& name);
    // Before this copy gives up its game: asks the player when that ends a
    // game others play at, or one under way. False: the player stays.
    bool confirmLeaving(bool exiting);
    // Gives up the table: the connection, this copy's host, the session and
    // what the board and the windows show of them. The window stays.
    void leaveTable();
    void freshSession() noexcept;
    // The session's options that the player sets in the menus.
    void applyPlayOptions();
    // A join from the dialog did not work: the dialog says why and stays.
    void joinFailed(const QString& why);
    // What a join from the dialog waits for: taken in, or a version told.
    void followJoin(const client::Effects& effects);
    // The connection ended; a window that opened it from a dialog stays.
    void gameEnded();
    void showHostingItems();
    // A chat line with the addresses others join at.
    void tellWhereToJoin();
    // The name and recent games as the player last left them (the settings
    // file is read only at login).
    app::ZirkySettings currentSettings() const;
    std::string rememberedName() const;
    // The host is gone: the program ends, as when the host closes the link.
    void hostGone(const char* why);
    // The host hung up: leave once no message is on screen.
    void leaveIfHostClosed();
    // A modal message; the window stays while it is up.
    void tell(const QString& text);
    void openClient(const std::string& address, quint16 port);
    void log(const std::string& line) const;

    Options m_options;
    Windows m_windows;
    app::LaunchPlan m_plan;
    client::Session m_session;
    app::PlayerSettings m_settings;
    // Where the settings file last placed or saved the window.
    std::optional<app::Geometry> m_remembered;

    // Launch state
    bool m_shownOnce = false;
    bool m_closing = false;

    // Connection
    ClientConnection* m_conn = nullptr;
    // The connection of the launch keeps the lobby's link open until the program ends.
    ClientConnection* m_lobbyHolder = nullptr;
    bool m_leaving = false;
    net::LogLimit m_ignoredLog { 5 };
    QElapsedTimer m_clock;
    int m_messagesOpen = 0;
    quint16 m_hostedPort = 0;
    // The game was opened from a dialog or a link: when it ends, the window stays.
    bool m_stayOpen = false;
    // A join from the dialog, until the host has taken the player in.
    std::optional<app::GameAddress> m_joining;
    QTimer* m_joinTimer = nullptr;
    int m_joinTimeoutMs = 15000;
    QTimer* m_settleTimer = nullptr;

    // Playing with others
    HostGameDialog* m_hostDialog = nullptr;
    JoinGameDialog* m_joinDialog = nullptr;
    WhereToJoinWindow* m_whereToJoin = nullptr;
    QPixmap m_background;

    // Board
    QWidget* m_central = nullptr;
    GameBoard* m_board = nullptr;
    ChatView* m_chatView = nullptr;
    ChatInput* m_chatInput = nullptr;
    ChatOutbox* m_outbox = nullptr;
    Sounds* m_sounds = nullptr;
    QTimer* m_turnClock = nullptr;
    int m_clockGeneration = 0;

    // Menus
    QMenu* m_seatMenu = nullptr;
    QAction* m_startGame = nullptr;
    QAction* m_justWatch = nullptr;
    QAction* m_playSounds = nullptr;
    QAction* m_playChatter = nullptr;
    QAction* m_classic = nullptr;
    QAction* m_new = nullptr;
    QAction* m_twoRows = nullptr;
    QAction* m_turnOff0 = nullptr;
    QAction* m_scrollOff = nullptr;
    QAction* m_showMissed = nullptr;
    QMenu* m_addComputer = nullptr;
    std::array<QAction*, 4> m_sizeItems {};
    // The menu bar's height and text at the system's font, as first built.
    int m_menuBaseHeight = 0;
    int m_menuBasePixels = 0;
    QAction* m_copyInvite = nullptr;
    QAction* m_whereToJoinItem = nullptr;
    QAction* m_cleanWords = nullptr;
    QAction* m_removeFromGame = nullptr;
    QAction* m_setWatch = nullptr;
    QAction* m_unsetWatch = nullptr;
    struct PlayItems {
        QAction* done = nullptr;
        QAction* clear = nullptr;
        QAction* takeBack = nullptr;
        QAction* shuffle = nullptr;
        QAction* newTiles = nullptr;
        QAction* oldTiles = nullptr;
        QAction* finish = nullptr;
        QAction* typing = nullptr;
        QAction* tilesOrChat = nullptr;
        QAction* closeLists = nullptr;
    } m_play;
    // What the status line, the result and the winner said when last announced.
    std::string m_saidStatus;
    std::string m_saidResult;
    std::string m_saidWinner;
};
