#include "Tchat.h"

#include "chat/ChatView.h"
#include "net/TSock.h"
#include "windows/Background.h"
#include "windows/Tgamestartform.h"
#include "windows/Thelp.h"
#include "windows/Tspylist.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QColorDialog>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>

#include <cstdio>

namespace
{

// Design size of the client area and where the window first appears.
constexpr int kClientWidth = 787;
constexpr int kClientHeight = 522;

QPixmap eyesIcon()
{
    QPixmap pm(26, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1.2));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(1, 2, 11, 12));
    p.drawEllipse(QRectF(14, 2, 11, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 30));
    p.drawEllipse(QRectF(5, 6, 5, 6));
    p.drawEllipse(QRectF(18, 6, 5, 6));
    return pm;
}

QPixmap newTilesIcon()
{
    QPixmap pm(30, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(150, 90, 0), 1));
    p.setBrush(QColor(255, 205, 60));
    p.drawRoundedRect(QRectF(0.5, 0.5, 29, 15), 4, 4);
    QFont f;
    f.setPixelSize(10);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(90, 40, 0));
    p.drawText(QRectF(0, 0, 30, 16), Qt::AlignCenter, "NEW");
    return pm;
}

QFrame* panel(QWidget* parent, const char* name, const QRect& where)
{
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    f->setGeometry(where);
    f->setStyleSheet(QString("QFrame#%1 { background: rgba(255, 255, 255, 150); border: 1px solid rgba(40, 60, 90, "
                             "120); border-radius: 6px; }")
                         .arg(name));
    return f;
}

} // namespace

Tchat::Tchat(const QPixmap& background, Options options, QWidget* parent)
    : QMainWindow(parent)
    , m_options(std::move(options))
{
    setObjectName("chat");
    setWindowTitle("Zirky");
    pickColor = [this](const QColor& initial) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(initial, this, "Text Color");
        if (!c.isValid())
            return std::nullopt;
        return c;
    };

    buildBoard(background);
    buildMenus();
    buildDispatch();

    // FormCreate. No named mutex: the single-instance guard has already run
    // and nothing would wait on one. Randomness comes from QRandomGenerator,
    // which seeds itself.
    m_phraseReady = true;
    clearall();
    m_isHost = false;
    m_whoseTurn = 0;
    m_wordLength = 0;
    m_boxSetting = 2;

    m_sock = new TSock(this);
    m_sock->setObjectName("sock");
    m_sock->setPortName(QString::number(m_options.hostPort == 0 ? 7772 : m_options.hostPort));
    m_sock->OnRead = [this](TSock*, int) { sockRead(); };
    m_sock->OnInfo = [this](TSock*, TSocketInfo info, const QString& msg) { sockInfo(info, msg); };

    // The queue starts with one line that names it; it dispatches to nothing.
    m_queue.push(0, "receivedlist");
    scheduleDispatch();

    setGeometry(4, 4, kClientWidth, kClientHeight + menuBar()->sizeHint().height());
}

Tchat::~Tchat()
{
    // The sockets report "Socket Closed" while they are destroyed: nobody may listen then.
    m_closing = true;
    for (TSock* s : { m_sock, m_sock11 }) {
        if (!s)
            continue;
        s->OnRead = nullptr;
        s->OnInfo = nullptr;
    }
}

void Tchat::attach(const Windows& windows)
{
    m_windows = windows;
    if (m_windows.gamestart)
        m_windows.gamestart->onStart = [this] {
            startgame();
            saveinifile();
        };
    if (m_windows.spylist) {
        // Only the host removes; hostpress enables it.
        m_windows.spylist->setRemoveEnabled(m_isHost);
    }
    if (m_windows.spylist)
        m_windows.spylist->onKick = [this](int seat) {
            if (auto m = client::removeFromGame(m_isHost, m_roster.connected(), m_roster.mySeat(), seat))
                sendToHost(*m);
        };
    if (m_windows.help)
        m_windows.help->onAbout = [this] { About1Click(); };
}

QAction* Tchat::action(const char* objectName) const { return findChild<QAction*>(objectName); }

void Tchat::buildBoard(const QPixmap& background)
{
    auto* central = new QWidget(this);
    central->setObjectName("centralwidget");
    central->setAutoFillBackground(true);
    applyBackground(central, background);
    setCentralWidget(central);

    m_board = new QWidget(central);
    m_board->setObjectName("panel_board");
    m_board->setGeometry(4, 4, 768, 506);

    auto* logo = new QLabel("Zirky", m_board);
    logo->setObjectName("image_logo");
    logo->setGeometry(10, 0, 260, 46);
    QFont lf("Serif", 26, QFont::Black);
    lf.setItalic(true);
    logo->setFont(lf);
    logo->setStyleSheet("color: #1d3f73;");
    auto* shadow = new QGraphicsDropShadowEffect(logo);
    shadow->setBlurRadius(6);
    shadow->setOffset(2, 2);
    shadow->setColor(QColor(255, 255, 255, 200));
    logo->setGraphicsEffect(shadow);

    auto* tagline = new QLabel("a word game for up to six players", m_board);
    tagline->setGeometry(140, 18, 300, 20);
    tagline->setStyleSheet("color: #2a4a70; font-style: italic;");

    // Where the tiles and the word being built will lie.
    auto* game = panel(m_board, "panel_game", QRect(8, 50, 562, 200));
    auto* wordRow = panel(game, "panel_word", QRect(60, 8, 442, 45));
    wordRow->setStyleSheet("QFrame#panel_word { background: rgba(255,255,255,90); border: 1px dashed "
                           "rgba(40,60,90,110); border-radius: 4px; }");
    m_status = new QLabel(game);
    m_status->setObjectName("label_status");
    m_status->setGeometry(10, 166, 542, 24);
    m_status->setAlignment(Qt::AlignCenter);
    m_status->setStyleSheet("color: #1d3f73; font-weight: bold;");

    m_buttonStart = new QPushButton("Start Game", game);
    m_buttonStart->setObjectName("button_start");
    m_buttonStart->setGeometry(211, 80, 140, 40);
    m_buttonStart->setStyleSheet("QPushButton { font-size: 14px; font-weight: bold; color: white; background: "
                                 "#2e6bb3; border: 1px solid #1d3f73; border-radius: 6px; }"
                                 "QPushButton:hover { background: #3a7fd0; }");
    m_buttonStart->hide();
    connect(m_buttonStart, &QPushButton::clicked, this, &Tchat::button_startClick);

    m_mainchat = new ChatView(m_board);
    m_mainchat->setGeometry(8, 258, 562, 216);
    m_mainchat->setStyleSheet("QTextBrowser { background: rgba(255,255,255,225); border: 1px solid "
                              "rgba(40,60,90,140); border-radius: 4px; }");

    m_mychat = new QLineEdit(m_board);
    m_mychat->setObjectName("mychat");
    m_mychat->setGeometry(8, 478, 562, 24);
    m_mychat->setPlaceholderText("<Enter Chat Here>");
    m_mychat->setMaxLength(400);

    // The six seats.
    auto* seats = panel(m_board, "panel_players", QRect(580, 0, 184, 370));
    const QPixmap eyes = eyesIcon();
    const QPixmap fresh = newTilesIcon();
    m_popupKick = new QMenu(this);
    m_popupKick->setObjectName("popup_kick");
    for (int i = 0; i < client::kPlayerSeats; ++i) {
        const int seat = i + 1;
        const int y = 6 + i * 60;
        auto* box = new QFrame(seats);
        box->setGeometry(6, y, 172, 56);
        box->setStyleSheet("QFrame { background: rgba(255,255,255,120); border-radius: 4px; }");

        auto* number = new QLabel(QString::number(seat), box);
        number->setGeometry(4, 4, 18, 22);
        number->setAlignment(Qt::AlignCenter);
        number->setStyleSheet("background: #1d3f73; color: white; font-weight: bold; border-radius: 9px;");

        auto* name = new QLabel(box);
        name->setObjectName(QString("label_playername%1").arg(seat));
        name->setTextFormat(Qt::PlainText);
        name->setGeometry(28, 3, 140, 24);
        name->setStyleSheet("font-weight: bold; font-size: 13px; color: #102a50; background: transparent;");
        name->setProperty("tag", seat);
        name->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(name, &QLabel::customContextMenuRequested, this, [this, seat, name](const QPoint& pos) {
            label_playername1ContextPopup(seat);
            m_popupKick->popup(name->mapToGlobal(pos));
        });
        m_labelPlayername[static_cast<std::size_t>(i)] = name;

        auto* score = new QLabel("0", box);
        score->setObjectName(QString("label_score%1").arg(seat));
        score->setGeometry(28, 29, 70, 22);
        score->setStyleSheet("font-size: 14px; font-weight: bold; color: #1f6b2f; background: transparent;");
        m_labelScore[static_cast<std::size_t>(i)] = score;

        auto* bonus = new QLabel(box);
        bonus->setObjectName(QString("label_bonus%1").arg(seat));
        bonus->setGeometry(98, 29, 34, 22);
        bonus->setStyleSheet("color: #8a2b00; font-weight: bold; background: transparent;");
        m_labelBonus[static_cast<std::size_t>(i)] = bonus;

        auto* eye = new QLabel(box);
        eye->setObjectName(QString("image_eyes%1").arg(seat));
        eye->setPixmap(eyes);
        eye->setGeometry(134, 32, 26, 16);
        eye->setToolTip("Just watching");
        eye->hide();
        m_imageEyes[static_cast<std::size_t>(i)] = eye;

        auto* nw = new QLabel(box);
        nw->setObjectName(QString("image_new%1").arg(seat));
        nw->setPixmap(fresh);
        nw->setGeometry(134, 8, 30, 16);
        nw->setToolTip("Bought new tiles");
        nw->hide();
        m_imageNew[static_cast<std::size_t>(i)] = nw;
    }

    // What the next game is played to (the game flow fills these in).
    auto* info = panel(m_board, "panel_info", QRect(580, 376, 184, 126));
    const char* infoTexts[]
        = { "Play to Score: ", "Time Per Turn: ", "Zirked At: ", "Allow Typing: ", "Allow New Tiles: ", "Fast Game: " };
    const char* infoNames[]
        = { "label_playto", "label_time", "label_zirkedat", "label_typing", "label_newtiles", "label_fastgame" };
    for (int i = 0; i < 6; ++i) {
        auto* l = new QLabel(infoTexts[i], info);
        l->setObjectName(infoNames[i]);
        l->setGeometry(8, 4 + i * 20, 170, 20);
        l->setStyleSheet("color: #102a50; background: transparent;");
        l->hide(); // shown with the settings of a running game
    }
    auto* noGame = new QLabel("No game running yet.", info);
    noGame->setObjectName("label_nogame");
    noGame->setGeometry(0, 0, 184, 126);
    noGame->setAlignment(Qt::AlignCenter);
    noGame->setStyleSheet("color: #2a4a70; font-style: italic; background: transparent;");

    m_removeFromGame = m_popupKick->addAction("Remove From Game");
    m_removeFromGame->setObjectName("RemoveFromGame1");
    m_setWatch = m_popupKick->addAction("Set to Just Watch");
    m_setWatch->setObjectName("SettoJustWatch1");
    m_unsetWatch = m_popupKick->addAction("Unset Just Watch");
    m_unsetWatch->setObjectName("UnsetJustWatch1");
    connect(m_removeFromGame, &QAction::triggered, this, &Tchat::RemoveFromGame1Click);
    connect(m_setWatch, &QAction::triggered, this, &Tchat::SettoJustWatch1Click);
    connect(m_unsetWatch, &QAction::triggered, this, &Tchat::UnsetJustWatch1Click);
    m_popupKick->setProperty("tag", 0);
}

void Tchat::buildMenus()
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
    m_startGame->setEnabled(false);
    connect(m_startGame, &QAction::triggered, this, &Tchat::button_startClick);
    file->addSeparator();
    connect(item(file, "Exit", "Exit1"), &QAction::triggered, this, &Tchat::Exit1Click);
    item(file, "Host Game", "HostGame1")->setVisible(false);
    item(file, "Join Game", "JoinGame1")->setVisible(false);

    QMenu* options = menuBar()->addMenu("Options");
    options->setObjectName("Options1");
    m_playSounds = checkItem(options, "Play Sounds", "PlaySounds1", true);
    connect(m_playSounds, &QAction::triggered, this, &Tchat::PlaySounds1Click);
    m_playChatter = checkItem(options, "Play Chatter Sounds", "PlayChatterSounds1", false);
    connect(m_playChatter, &QAction::triggered, this, &Tchat::PlayChatterSounds1Click);

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
        connect(a, &QAction::triggered, this, [this, a] { New1Click(a); });
    }
    options->addSeparator();
    m_twoRows = checkItem(options, "Tiles in Two Rows", "TilesinTwoRows1", false);
    connect(m_twoRows, &QAction::triggered, this, &Tchat::TilesinTwoRows1Click);
    m_turnOff0 = checkItem(options, "Turn off 0 key", "Turnoff0key1", false);
    connect(m_turnOff0, &QAction::triggered, this, &Tchat::Turnoff0key1Click);
    options->addSeparator();
    connect(item(options, "Text Color", "TextColor1"), &QAction::triggered, this, &Tchat::TextColor1Click);
    QMenu* textSize = options->addMenu("Text Size");
    textSize->setObjectName("TextSize1");
    const int sizes[] = { 8, 10, 12, 14 };
    for (int i = 0; i < 4; ++i) {
        const QByteArray name = "N" + QByteArray::number(sizes[i]) + "1";
        // No size is checked until the settings file names one.
        QAction* a = checkItem(textSize, QString::number(sizes[i]), name.constData(), false);
        a->setData(sizes[i]);
        connect(a, &QAction::triggered, this, [this, a] { N14Click(a); });
        m_sizeItems[static_cast<std::size_t>(i)] = a;
    }
    m_scrollOff = checkItem(options, "Chat Scroll Off", "ScrollOff1", false);
    connect(m_scrollOff, &QAction::triggered, this, &Tchat::ScrollOff1Click);
    connect(item(options, "Reset Screen Location", "ResetScreenLocation1"), &QAction::triggered, this,
        &Tchat::ResetScreenLocation1Click);
    options->addSeparator();
    m_justWatch = checkItem(options, "Just Watch", "JustWatch1", false);
    connect(m_justWatch, &QAction::triggered, this, &Tchat::JustWatch1Click);

    QMenu* view = menuBar()->addMenu("View");
    view->setObjectName("View1");
    connect(item(view, "View Tally", "ViewTally1"), &QAction::triggered, this, &Tchat::ViewTally1Click);
    connect(item(view, "Spy List", "SpyList1"), &QAction::triggered, this, &Tchat::SpyList1Click);
    connect(item(view, "Phrase List", "PrhaseList1"), &QAction::triggered, this, &Tchat::PrhaseList1Click);

    QMenu* help = menuBar()->addMenu("Help");
    help->setObjectName("Help1");
    QAction* content = item(help, "Content", "Help2");
    content->setShortcut(QKeySequence(Qt::Key_F1));
    connect(content, &QAction::triggered, this, &Tchat::Help2Click);
    help->addSeparator();
    connect(item(help, "About", "About1"), &QAction::triggered, this, &Tchat::About1Click);
}

void Tchat::clearall()
{
    for (int i = 0; i < client::kPlayerSeats; ++i) {
        m_labelScore[static_cast<std::size_t>(i)]->setText("0");
        m_labelBonus[static_cast<std::size_t>(i)]->clear();
        m_imageEyes[static_cast<std::size_t>(i)]->hide();
        m_imageNew[static_cast<std::size_t>(i)]->hide();
    }
    refreshSeats();
}

void Tchat::refreshSeats()
{
    for (int seat = 1; seat <= client::kPlayerSeats; ++seat) {
        const auto i = static_cast<std::size_t>(seat - 1);
        m_labelPlayername[i]->setText(QString::fromStdString(m_roster.name(seat)));
    }
}

void Tchat::addLine(const std::string& line, std::uint32_t bgr)
{
    m_mainchat->addLine(QString::fromStdString(line), colorFromBgr(bgr));
}

void Tchat::log(const std::string& line) const { std::fprintf(stderr, "zirky: %s\n", line.c_str()); }
