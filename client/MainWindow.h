#pragma once
// The main window: the board, the chat, the menus, and the client's one
// connection to the game host. It reads the command line when first shown,
// hosts or joins, and carries out what the session makes of the host's messages.

#include "app/LaunchPlan.h"
#include "app/Settings.h"
#include "client/Session.h"

#include <QColor>
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
    struct Options {
        std::vector<std::string> args; // the command line without the program name
        quint16 hostPort = 7772; // 0: the port the in-process host listens on
        quint16 lobbyPort = 9001;
        std::string settingsPath; // full path of the settings file
        // The program's entry point owns the host and makes it only when this copy hosts.
        std::function<HostStart()> startHost;
        // Seats a computer player of level 0..3 (easy..expert) at this copy's host,
        // named apart from `taken`. Only a copy that hosts has it.
        std::function<void(int level, const std::vector<std::string>& taken)> addComputer;
    };
    // The windows created after this one, in start-up order.
    struct Windows {
        TallyWindow* tallylist = nullptr;
        AboutWindow* about = nullptr;
        HelpWindow* help = nullptr;
        PhraseListWindow* phrases = nullptr;
        SpectatorList* spylist = nullptr;
        StartGameDialog* gamestart = nullptr;
        DownloadWindow* download = nullptr;
    };

    MainWindow(const QPixmap& background, Options options, QWidget* parent = nullptr);
    ~MainWindow() override;

    void attach(const Windows& windows);

    // ---- start-up and launch
    void processparams();
    void hostpress();
    void joinpress();

    ClientConnection* connection() const { return m_conn; }

    // ---- the player at the board
    void dice_1MouseDown(int tile, Qt::MouseButton button);
    void button_doneClick();
    void button_clearClick();
    void button_newtilesDblClick();
    void button_oldDblClick();
    void button_finishClick();
    void checkbox_typingClick();
    void button_closeClick();
    // The one-second turn clock.
    void Timer2Timer();
    // Every game and chatter sound goes through here.
    void playsounds(const std::string& name);
    // Tests and the sound player listen here; empty plays nothing.
    std::function<void(const std::string& name)> soundPlayer;

    // ---- game start
    void button_startClick();
    void startgame();

    // ---- settings and options
    void loadinifile();
    void saveinifile();
    void PlaySounds1Click();
    void PlayChatterSounds1Click();
    void New1Click(QAction* item);
    void TilesinTwoRows1Click();
    void Turnoff0key1Click();
    void TextColor1Click();
    void N14Click(QAction* item);
    void ScrollOff1Click();
    void ResetScreenLocation1Click();
    void ShowMissedWords1Click();
    void AddComputerPlayer1Click(int level);

    // ---- spectators and removal
    void label_playername1ContextPopup(int seat);
    void RemoveFromGame1Click();
    void SettoJustWatch1Click();
    void UnsetJustWatch1Click();
    void JustWatch1Click();

    // ---- menus
    void Exit1Click();
    void ViewTally1Click();
    void SpyList1Click();
    void PrhaseList1Click();
    void Help2Click();
    void About1Click();

    // The colour dialog; tests replace it so nothing blocks.
    std::function<std::optional<QColor>(const QColor& initial)> pickColor;

    // ---- state other parts and tests read
    const client::Session& session() const { return m_session; }
    GameBoard* board() const { return m_board; }
    QTimer* turnClock() const { return m_timer2; }
    const app::LaunchPlan& launchPlan() const { return m_plan; }
    const app::ZirkySettings& settings() const { return m_settings.values(); }
    int loadCount() const { return m_settings.loads(); }
    int turnSound() const { return m_settings.values().turnSound; }
    QColor textColor() const;
    ChatView* chatView() const { return m_mainchat; }
    QMenu* kickMenu() const { return m_popupKick; }
    QAction* action(const char* objectName) const;

    // Geometry as the settings file keeps it: outer left/top, outer size.
    app::Geometry windowGeometry() const;
    void applyWindowGeometry(const app::Geometry& g);

signals:
    // The window closed: the program ends.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildBoard(const QPixmap& background);
    void buildMenus();
    // FormShortCut: a game key while typing; true when it must not reach the chat input.
    bool FormShortCut(QKeyEvent* key);
    // Carries out what the session or the model asked for, then redraws the board.
    void apply(client::Effects effects);
    // Start button, "Start Game" and the removal items follow the session's host rights.
    void showHostRights();
    void render();
    void syncClock();
    // The player's record: games, best turn and best game.
    void recordTally(const client::Effects& e);
    void FormClose();
    void FormResize();
    // saveinifile, with the geometry FormClose decided on when closing.
    void saveSettings(std::optional<app::Geometry> closing);

    void addLine(const std::string& line, std::uint32_t bgr);
    void sendToHost(const std::string& bytes);
    // The host is gone: the program ends, as when the host closes the link.
    void hostGone(const char* why);
    // The host hung up: leave once no message is on screen.
    void leaveIfHostClosed();
    // A modal message; the window stays while it is up.
    void tell(const QString& text);
    void openClient(const std::string& address);
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
    bool m_leaving = false;
    int m_messagesOpen = 0;
    quint16 m_hostedPort = 0;

    // Board
    QWidget* m_central = nullptr;
    GameBoard* m_board = nullptr;
    ChatView* m_mainchat = nullptr;
    ChatInput* m_mychat = nullptr;
    ChatOutbox* m_outbox = nullptr;
    Sounds* m_sounds = nullptr;
    QTimer* m_timer2 = nullptr;
    int m_clockGeneration = 0;

    // Menus
    QMenu* m_popupKick = nullptr;
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
    QAction* m_removeFromGame = nullptr;
    QAction* m_setWatch = nullptr;
    QAction* m_unsetWatch = nullptr;
};
