#include "MainWindow.h"

#include "ClientConnection.h"
#include "BoardLayout.h"
#include "GameBoard.h"
#include "client/ConnectionText.h"
#include "chat/CaretRest.h"
#include "chat/ChatInput.h"
#include "chat/ChatOutbox.h"
#include "chat/ChatView.h"
#include "chat/Backdrop.h"
#include "chat/PhraseBar.h"
#include "chat/Sounds.h"
#include "net/Text.h"
#include "windows/AboutWindow.h"
#include "windows/Background.h"
#include "windows/DownloadWindow.h"
#include "windows/HelpWindow.h"
#include "windows/JoinGameDialog.h"
#include "windows/MakerSite.h"
#include "windows/PhraseListWindow.h"
#include "windows/SpectatorList.h"
#include "windows/StartGameDialog.h"
#include "windows/TallyWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QClipboard>
#include <QColorDialog>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QResizeEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace
{

// The central widget paints the background picture scaled to its size, so a
// resized window shows one picture and no seams, and over it the faces of the
// board's panels and boxes (chat/Faces.h), in one go shared with a second thread.
class BackgroundWidget : public QWidget
{
public:
    BackgroundWidget(const QPixmap& picture, QWidget* parent)
        : QWidget(parent)
        , m_scaled(picture.toImage().convertToFormat(QImage::Format_RGB32), QSize())
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        faces::setBackdrop(this);
        // Scaling the picture across a large window takes longer than a frame:
        // while the window is being dragged to new sizes, a copy that covers it
        // stands in, and the picture is scaled to the exact size once the window settles.
        m_settle.setSingleShot(true);
        m_settle.setInterval(250);
        QObject::connect(&m_settle, &QTimer::timeout, this, [this] {
            scaleTo(size());
            update();
        });
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        if (m_scaled.isNull()) {
            scaleTo(size());
            return;
        }
        const QSize have = m_scaled.size();
        const boardlayout::Size want = boardlayout::pictureSizeWhileResizing(
            { have.width(), have.height() }, { width(), height() }, m_scaled.keptWidths());
        if (want != boardlayout::Size { have.width(), have.height() })
            scaleTo(QSize(want.width, want.height));
        if (m_scaled.size() != size())
            m_settle.start();
    }
    void paintEvent(QPaintEvent* event) override
    {
        QPainter p(this);
        faces::paintBackdrop(p, this, event->region(), m_scaled, QColor(QRgb(kBackgroundFallbackRgb)));
    }

private:
    void scaleTo(QSize to)
    {
        if (!to.isEmpty())
            m_scaled.scaleTo(to);
    }

    // The picture at the window's size, or a little larger while it is being
    // resized; in the window's own format, so that painting it is a straight copy.
    faces::ScaledPicture m_scaled;
    QTimer m_settle;
};

std::uint32_t randomSeed() { return QRandomGenerator::global()->generate(); }

} // namespace

MainWindow::MainWindow(const QPixmap& background, Options options, QWidget* parent)
    : QMainWindow(parent)
    , m_options(std::move(options))
    , m_session(randomSeed())
{
    setObjectName("chat");
    // A board as large as a 4K screen is drawn in time only if Qt's tall fills stay on this thread.
    faces::BandedStyle::install();
    setWindowTitle("Zirky");
    CaretRest::watchApplication();
    pickColor = [this](const QColor& initial) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(initial, this, "Text Color");
        if (!c.isValid())
            return std::nullopt;
        return c;
    };

    m_background = background;
    copyToClipboard = [](const QString& text) { QGuiApplication::clipboard()->setText(text); };
    makeConnection();
    // A join from the dialog that hears nothing gives up in plain words
    // rather than after the system's minutes.
    m_joinTimer = new QTimer(this);
    m_joinTimer->setSingleShot(true);
    connect(m_joinTimer, &QTimer::timeout, this, [this] {
        if (m_joining)
            joinFailed(QString::fromStdString(client::cannotConnectText(
                "Error #10060 (WSAETIMEDOUT)", m_joining->host, m_joining->port)));
    });
    // Taken in: a word about the version follows at once, if there is one.
    m_settleTimer = new QTimer(this);
    m_settleTimer->setSingleShot(true);
    connect(m_settleTimer, &QTimer::timeout, this, [this] {
        m_joining.reset();
        if (m_joinDialog)
            m_joinDialog->finish();
    });

    m_outbox = new ChatOutbox(this);
    connect(m_outbox, &ChatOutbox::send, this, [this](const QByteArray& bytes) { sendToHost(bytes.toStdString()); });
    m_sounds = new Sounds(this);

    buildBoard(background);
    buildMenus();
    m_chatInput->setScrollOffAction(m_chatView->scrollOffAction());
    connect(m_chatView, &ChatView::scrollOffChanged, m_scrollOff, &QAction::setChecked);
    connect(m_chatView, &ChatView::cleared, m_chatInput, [this] { m_chatInput->setFocus(); });

    // The turn clock runs only while a turn runs.
    m_turnClock = new QTimer(this);
    m_turnClock->setObjectName("Timer2");
    m_turnClock->setInterval(1000);
    m_turnClock->setTimerType(Qt::PreciseTimer);
    connect(m_turnClock, &QTimer::timeout, this, &MainWindow::onClockTick);

    // FormCreate. No named mutex: the single-instance guard has already run
    // and nothing would wait on one.
    qApp->installEventFilter(this);
    render();

    // Where the window first appears, at the board's design size.
    m_menuBaseHeight = menuBar()->sizeHint().height();
    m_menuBasePixels = QFontInfo(menuBar()->font()).pixelSize();
    setGeometry(4, 4, boardlayout::kDesignWidth, boardlayout::kDesignHeight + m_menuBaseHeight);
    fitMenuFont();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    fitMenuFont();
}

// The menus grow with the board and follow Text Size as its text does. They
// are measured against the window less the menu bar's first height, not
// against the board's room, which a taller menu bar would itself take away.
void MainWindow::fitMenuFont()
{
    if (m_menuBasePixels <= 0)
        return;
    const double factor = boardlayout::scaleFor(width(), height() - m_menuBaseHeight)
        * boardlayout::textFactor(m_board->textSize());
    const int pixels = std::max(6, static_cast<int>(std::lround(m_menuBasePixels * factor)));
    QFont font = QApplication::font(menuBar());
    if (pixels != m_menuBasePixels)
        font.setPixelSize(pixels);
    if (menuBar()->font() == font)
        return;
    menuBar()->setFont(font);
    // The drop-down menus are windows of their own: a font reaches them only when given.
    for (QMenu* menu : menuBar()->findChildren<QMenu*>())
        menu->setFont(font);
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
    m_closing = true;
    m_conn->shutdown();
}

void MainWindow::makeConnection()
{
    m_conn = new ClientConnection(this);
    // ZIRKY_LOG_GAME=1 echoes what the host says.
    m_conn->setEcho(qEnvironmentVariable("ZIRKY_LOG_GAME") == "1");
    connect(m_conn, &ClientConnection::lineReceived, this,
        [this](const std::string& line) { apply(m_session.receive(line)); });
    connect(m_conn, &ClientConnection::cannotConnect, this, [this](const QString& why) {
        if (m_joining) {
            joinFailed(why);
            return;
        }
        addLine("0+" + why.toStdString(), client::kRed);
        hostGone("the game host cannot be reached");
    });
    connect(m_conn, &ClientConnection::ended, this, &MainWindow::leaveIfHostClosed);
    connect(m_conn, &ClientConnection::linkLost, this, [this](bool hostSilent) {
        m_outbox->setConnected(false);
        apply(m_session.linkLost(hostSilent));
    });
    connect(m_conn, &ClientConnection::reconnecting, this, [this](int attempt) {
        m_outbox->setConnected(false);
        apply(m_session.reconnecting(attempt));
    });
    connect(m_conn, &ClientConnection::gaveUp, this, [this](int holdSeconds) { apply(m_session.gaveUp(holdSeconds)); });
}

void MainWindow::attach(const Windows& windows)
{
    m_windows = windows;
    if (m_windows.startDialog)
        m_windows.startDialog->onStart = [this] {
            startGame();
            saveSettings();
        };
    if (m_windows.spectators) {
        // Only the host removes; hostGame enables it.
        m_windows.spectators->setRemoveEnabled(m_session.hostRights());
        m_windows.spectators->onKick = [this](int seat) { apply(m_session.removePlayer(seat)); };
    }
    if (m_windows.help)
        m_windows.help->onAbout = [this] { onAboutChosen(); };
    if (m_windows.phrases) {
        m_windows.phrases->setSettingsPath(m_options.settingsPath);
        connect(m_windows.phrases, &PhraseListWindow::phrasesChanged, m_board->phraseBar(), &PhraseBar::setPhrases);
    }
    // The installer or the lobby has started: this game makes way for it.
    if (m_windows.download) {
        m_windows.download->onQuitGame = [this] { onExitChosen(); };
        m_windows.download->onHostGame = [this] { onHostGameChosen(); };
        m_windows.download->onJoinGame = [this] { onJoinGameChosen(); };
    }
    if (m_windows.tally) {
        m_windows.tally->playersInGame = [this] {
            QStringList names;
            for (const std::string& name : m_session.roster().opponents())
                names << QString::fromStdString(name);
            return names;
        };
        m_windows.tally->tellPlayer = [this](const QString& text) { addLine("0+" + text.toStdString(), client::kRed); };
    }
}

void MainWindow::freshSession() noexcept
{
    // Nothing of the last table (seat, names, scores, rights, whatever that
    // host said) may reach the next one: the session is made anew in place.
    std::destroy_at(&m_session);
    std::construct_at(&m_session, randomSeed());
}

QAction* MainWindow::action(const char* objectName) const { return findChild<QAction*>(objectName); }

bool MainWindow::isCompanionWindow(const QObject* object) const
{
    const QWidget* windows[] = { m_windows.tally, m_windows.about, m_windows.help, m_windows.phrases,
        m_windows.spectators, m_windows.startDialog, m_windows.download };
    return object && std::find(std::begin(windows), std::end(windows), object) != std::end(windows);
}

void MainWindow::buildBoard(const QPixmap& background)
{
    m_central = new BackgroundWidget(background, this);
    m_central->setObjectName("centralwidget");
    setCentralWidget(m_central);

    m_board = new GameBoard(m_central, m_outbox);
    // The board fills the window and lays itself out for its size.
    auto* fill = new QVBoxLayout(m_central);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(m_board);
    m_chatView = m_board->chatView();
    m_chatInput = m_board->chatInput();

    connect(m_board, &GameBoard::tilePressed, this, &MainWindow::onTilePressed);
    connect(m_board, &GameBoard::tileActivated, this, &MainWindow::onTileActivated);
    connect(m_board, &GameBoard::tileStepped, this, &MainWindow::onTileStepped);
    connect(m_board, &GameBoard::doneClicked, this, &MainWindow::onDoneClicked);
    connect(m_board, &GameBoard::clearClicked, this, &MainWindow::onClearClicked);
    connect(m_board, &GameBoard::newTilesDoubleClicked, this, &MainWindow::onNewTilesDoubleClicked);
    connect(m_board, &GameBoard::oldTilesDoubleClicked, this, &MainWindow::onOldTilesDoubleClicked);
    connect(m_board, &GameBoard::finishClicked, this, &MainWindow::onFinishClicked);
    connect(m_board, &GameBoard::typingClicked, this, &MainWindow::onTypingClicked);
    connect(m_board, &GameBoard::startClicked, this, &MainWindow::onStartClicked);
    connect(m_board, &GameBoard::wordListsClosed, this, &MainWindow::onWordListsClosed);
    connect(m_board, &GameBoard::logoClicked, this, [] { openMakerSite(); });

    m_seatMenu = new QMenu(this);
    m_seatMenu->setObjectName("popup_kick");
    connect(m_board, &GameBoard::nameMenuRequested, this, [this](int seat, const QPoint& at) {
        prepareSeatMenu(seat);
        m_seatMenu->popup(at);
    });
    m_removeFromGame = m_seatMenu->addAction("Remove From Game");
    m_removeFromGame->setObjectName("RemoveFromGame1");
    m_setWatch = m_seatMenu->addAction("Set to Just Watch");
    m_setWatch->setObjectName("SettoJustWatch1");
    m_unsetWatch = m_seatMenu->addAction("Unset Just Watch");
    m_unsetWatch->setObjectName("UnsetJustWatch1");
    connect(m_removeFromGame, &QAction::triggered, this, &MainWindow::onRemoveFromGameChosen);
    connect(m_setWatch, &QAction::triggered, this, &MainWindow::onSetToJustWatchChosen);
    connect(m_unsetWatch, &QAction::triggered, this, &MainWindow::onUnsetJustWatchChosen);
    m_seatMenu->setProperty("tag", 0);
}

void MainWindow::buildMenus()
{
    auto item = [this](QMenu* menu, const QString& caption, const char* name) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    auto checkItem = [&](QMenu* menu, const QString& caption, const char* name, bool checked) {
        QAction* a = item(menu, caption, name);
        a->setCheckable(true);
        a->setChecked(checked);
        return a;
    };

    QMenu* file = menuBar()->addMenu("File");
    file->setObjectName("File1");
    m_startGame = item(file, "Start Game", "StartGame1");
    m_startGame->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    m_startGame->setEnabled(false);
    connect(m_startGame, &QAction::triggered, this, &MainWindow::onStartClicked);
    m_addComputer = file->addMenu("Add Computer Player");
    m_addComputer->setObjectName("AddComputerPlayer1");
    const char* levels[] = { "Easy", "Medium", "Hard", "Expert" };
    for (int level = 0; level < 4; ++level) {
        QAction* a = m_addComputer->addAction(levels[level]);
        a->setObjectName(QString("AddComputer%1").arg(levels[level]));
        connect(a, &QAction::triggered, this, [this, level] { onAddComputerChosen(level); });
    }
    m_addComputer->setEnabled(false);
    file->addSeparator();
    connect(item(file, "Host Game\u2026", "HostGame1"), &QAction::triggered, this, &MainWindow::onHostGameChosen);
    connect(item(file, "Join Game\u2026", "JoinGame1"), &QAction::triggered, this, &MainWindow::onJoinGameChosen);
    m_copyInvite = item(file, "Copy Invite Link", "CopyInviteLink1");
    connect(m_copyInvite, &QAction::triggered, this, &MainWindow::onCopyInviteLinkChosen);
    file->addSeparator();
    QAction* exit = item(file, "Exit", "Exit1");
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(exit, &QAction::triggered, this, &MainWindow::onExitChosen);

    QMenu* play = menuBar()->addMenu("Play");
    play->setObjectName("Play1");
    buildPlayMenu(play);

    QMenu* options = menuBar()->addMenu("Options");
    options->setObjectName("Options1");
    m_playSounds = checkItem(options, "Play Sounds", "PlaySounds1", true);
    connect(m_playSounds, &QAction::triggered, this, &MainWindow::onPlaySoundsChosen);
    m_playChatter = checkItem(options, "Play Chatter Sounds", "PlayChatterSounds1", false);
    connect(m_playChatter, &QAction::triggered, this, &MainWindow::onChatterSoundsChosen);

    QMenu* turnSound = options->addMenu("Turn Sound");
    turnSound->setObjectName("TurnSound1");
    auto* group = new QActionGroup(this);
    group->setObjectName("RadioGroup1");
    group->setExclusive(true);
    m_classic = checkItem(turnSound, "Classic", "Classic1", true);
    m_classic->setData(0);
    m_new = checkItem(turnSound, "New", "New1", false);
    m_new->setData(1);
    for (QAction* a : { m_classic, m_new }) {
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, a] { onTurnSoundChosen(a); });
    }
    options->addSeparator();
    m_twoRows = checkItem(options, "Tiles in Two Rows", "TilesinTwoRows1", false);
    connect(m_twoRows, &QAction::triggered, this, &MainWindow::onTwoRowsChosen);
    m_turnOff0 = checkItem(options, "Turn off 0 key", "Turnoff0key1", false);
    connect(m_turnOff0, &QAction::triggered, this, &MainWindow::onZeroKeyChosen);
    options->addSeparator();
    connect(item(options, "Text Color", "TextColor1"), &QAction::triggered, this, &MainWindow::onTextColorChosen);
    QMenu* textSize = options->addMenu("Text Size");
    textSize->setObjectName("TextSize1");
    const int sizes[] = { 8, 10, 12, 14 };
    for (int i = 0; i < 4; ++i) {
        const QByteArray name = "N" + QByteArray::number(sizes[i]) + "1";
        // No size is checked until the settings file names one.
        QAction* a = checkItem(textSize, QString::number(sizes[i]), name.constData(), false);
        a->setData(sizes[i]);
        connect(a, &QAction::triggered, this, [this, a] { onTextSizeChosen(a); });
        m_sizeItems[static_cast<std::size_t>(i)] = a;
    }
    m_scrollOff = checkItem(options, "Chat Scroll Off", "ScrollOff1", false);
    connect(m_scrollOff, &QAction::triggered, this, &MainWindow::onScrollOffChosen);
    connect(item(options, "Reset Screen Location", "ResetScreenLocation1"), &QAction::triggered, this,
        &MainWindow::onResetScreenLocationChosen);
    options->addSeparator();
    m_showMissed = checkItem(options, "Show Words You Missed", "ShowMissedWords1", true);
    connect(m_showMissed, &QAction::triggered, this, &MainWindow::onShowMissedWordsChosen);
    m_justWatch = checkItem(options, "Just Watch", "JustWatch1", false);
    m_justWatch->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_J));
    connect(m_justWatch, &QAction::triggered, this, &MainWindow::onJustWatchChosen);
    options->addSeparator();
    // Set from the settings file when the menu first opens: it is read only at login.
    m_cleanWords = checkItem(options, "Refuse Offensive Words When Hosting", "CleanWords1", false);
    connect(m_cleanWords, &QAction::triggered, this, &MainWindow::onCleanWordsChosen);
    connect(options, &QMenu::aboutToShow, this, [this] { m_cleanWords->setChecked(currentSettings().cleanWords); });

    QMenu* view = menuBar()->addMenu("View");
    view->setObjectName("View1");
    // Each window opens from the keyboard too.
    const auto opens = [&](const QString& caption, const char* name, QKeySequence key, void (MainWindow::*chosen)()) {
        QAction* a = item(view, caption, name);
        a->setShortcut(key);
        connect(a, &QAction::triggered, this, chosen);
    };
    opens("View Tally", "ViewTally1", QKeySequence(Qt::CTRL | Qt::Key_L), &MainWindow::onViewTallyChosen);
    opens("Spy List", "SpyList1", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), &MainWindow::onSpyListChosen);
    opens("Phrase List", "PrhaseList1", QKeySequence(Qt::CTRL | Qt::Key_P), &MainWindow::onPhraseListChosen);
    m_whereToJoinItem = item(view, "Where to Join", "WhereToJoin1");
    connect(m_whereToJoinItem, &QAction::triggered, this, &MainWindow::onWhereToJoinChosen);
    showHostingItems();

    QMenu* help = menuBar()->addMenu("Help");
    help->setObjectName("Help1");
    QAction* content = item(help, "Content", "Help2");
    content->setShortcut(QKeySequence(Qt::Key_F1));
    connect(content, &QAction::triggered, this, &MainWindow::onHelpChosen);
    help->addSeparator();
    QAction* about = item(help, "About", "About1");
    about->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    connect(about, &QAction::triggered, this, &MainWindow::onAboutChosen);
}

void MainWindow::addLine(const std::string& line, std::uint32_t bgr)
{
    m_chatView->addLine(QString::fromStdString(line), colorFromBgr(bgr));
}

// What the log says may quote a peer: a forged line or a terminal escape shows as "?".
void MainWindow::log(const std::string& line) const
{
    std::fprintf(stderr, "zirky: %s\n", net::printable(line).c_str());
}
