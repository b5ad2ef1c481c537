#include "GameBoard.h"

#include "BoardPieces.h"
#include "BoardLayout.h"
#include "Announcer.h"
#include "TileWidget.h"
#include "Wording.h"
#include "chat/ChatInput.h"
#include "chat/Faces.h"
#include "chat/TextCache.h"
#include "chat/ChatView.h"
#include "chat/PhraseBar.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QElapsedTimer>
#include <QTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>

#include <algorithm>

namespace
{

QString css(std::uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF).name(); }

// A translucent rounded panel: its face is painted with the window's background (chat/Faces.h).
QFrame* panel(QWidget* parent, const char* name, const faces::Look& look = {})
{
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    faces::setFace(f, look);
    return f;
}

// A word list's white page is a face too, painted with the window's
// background instead of by a fill of its own after it.
void whitePage(QListWidget* list)
{
    list->viewport()->setAutoFillBackground(false);
    faces::setFace(list->viewport(), { list->palette().color(QPalette::Base), {}, 0, 0 });
}

// A list of words, drawn from text laid out once rather than at every paint.
QListWidget* wordList(QWidget* parent, const QString& name)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setItemDelegate(new faces::CachedTextDelegate(list));
    list->setFocusPolicy(Qt::NoFocus);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setTextElideMode(Qt::ElideNone);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return list;
}

// Fonts, sizes and places are the layout's (GameBoardLayout.cpp); styles give colours only.

QLabel* label(QWidget* parent, const QString& name, const QString& style = {})
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    l->setStyleSheet("background: transparent;" + style);
    return l;
}

QPushButton* turnButton(QPushButton* b, const char* name)
{
    b->setObjectName(name);
    b->setFocusPolicy(Qt::NoFocus);
    b->setStyleSheet("QPushButton { color: #102a50; background: #f4f7fb; border: 1px solid "
                     "#5a7aa5; border-radius: 5px; } QPushButton:hover { background: #ffffff; }");
    b->hide();
    return b;
}

} // namespace

// Drawn for the size they are shown at, so they stay crisp on any board.
QPixmap boardicons::eyes(QSize size, qreal dpr)
{
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size.width() / 26.0, size.height() / 16.0);
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

QPixmap boardicons::newTiles(QSize size, qreal dpr)
{
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size.width() / 30.0, size.height() / 16.0);
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

namespace
{

void setText(QLabel* l, const std::string& text)
{
    const QString t = QString::fromStdString(text);
    if (l->text() != t)
        l->setText(t);
}

// Restyling a widget costs a polish and a repaint: only when the style changed.
void restyle(QWidget* w, const QString& style)
{
    if (w->styleSheet() != style)
        w->setStyleSheet(style);
}

// Refills a list only when its lines changed.
void setLines(QListWidget* list, const std::vector<std::string>& lines)
{
    bool same = list->count() == static_cast<int>(lines.size());
    for (int i = 0; same && i < list->count(); ++i)
        same = list->item(i)->text().toStdString() == lines[static_cast<std::size_t>(i)];
    if (same)
        return;
    list->clear();
    for (const auto& l : lines)
        list->addItem(QString::fromStdString(l));
}

// "QUAKES      +250": the word, and in a column of their own the points it would have added.
std::string missedLine(const solver::MissedWord& m)
{
    const std::string points = "+" + std::to_string(m.points);
    const std::size_t width = 16;
    const std::size_t gap = m.word.size() + points.size() < width ? width - m.word.size() - points.size() : 1;
    return m.word + std::string(gap, ' ') + points;
}

// The name with a soft light shadow below and to the right. The shadow is
// blurred once for each size: blurred at every paint, as a graphics effect
// does, it cost more than the rest of the header. While the window is being
// dragged to new sizes the last picture is drawn to the new size, and blurred
// anew once the window settles, as the background is.
class LogoLabel : public QLabel
{
public:
    explicit LogoLabel(const QString& text, QWidget* parent)
        : QLabel(text, parent)
    {
        m_settle.setSingleShot(true);
        m_settle.setInterval(250);
        connect(&m_settle, &QTimer::timeout, this, [this] { update(); });
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const qreal dpr = devicePixelRatioF();
        const QColor ink = palette().color(QPalette::WindowText);
        const QString look = QString("%1|%2|%3|%4").arg(dpr).arg(font().family(), text(), ink.name(QColor::HexArgb));
        const bool sameSize = m_picture.deviceIndependentSize().toSize() == size();
        QPainter p(this);
        if (look == m_look && !sameSize && m_sinceDrawn.isValid() && m_sinceDrawn.elapsed() < 250) {
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            faces::drawScaled(p, rect(), m_picture);
            m_settle.start();
            return;
        }
        if (look != m_look || !sameSize || m_font != font()) {
            m_look = look;
            m_font = font();
            m_picture = withShadow(dpr, ink);
        }
        m_sinceDrawn.start();
        p.drawPixmap(0, 0, m_picture);
    }

private:
    QPixmap withShadow(qreal dpr, const QColor& ink) const
    {
        QImage words(size() * dpr, QImage::Format_ARGB32_Premultiplied);
        words.setDevicePixelRatio(dpr);
        words.fill(Qt::transparent);
        {
            QPainter p(&words);
            p.setFont(font());
            p.setPen(ink);
            p.drawText(rect(), static_cast<int>(alignment()), text());
        }
        QGraphicsScene scene;
        QGraphicsPixmapItem* item = scene.addPixmap(QPixmap::fromImage(words));
        auto* shadow = new QGraphicsDropShadowEffect;
        shadow->setBlurRadius(6);
        shadow->setOffset(2, 2);
        shadow->setColor(QColor(255, 255, 255, 200));
        item->setGraphicsEffect(shadow);
        QPixmap picture(size() * dpr);
        picture.setDevicePixelRatio(dpr);
        picture.fill(Qt::transparent);
        QPainter p(&picture);
        scene.render(&p, QRectF(rect()), QRectF(rect()));
        return picture;
    }

    QString m_look;
    QFont m_font;
    QPixmap m_picture;
    QElapsedTimer m_sinceDrawn; // since the picture was last drawn at its own size
    QTimer m_settle;
};

} // namespace

GameBoard::GameBoard(QWidget* parent, ChatOutbox* outbox)
    : QWidget(parent)
{
    setObjectName("panel_board");
    // The default window is the smallest board.
    setMinimumSize(boardlayout::kDesignWidth, boardlayout::kDesignHeight);

    auto* logo = m_logo = new LogoLabel("Zirky", this);
    logo->setCursor(Qt::PointingHandCursor);
    logo->setToolTip("Visit the maker's web site");
    logo->installEventFilter(this);
    logo->setObjectName("image_logo");
    logo->setStyleSheet("color: #1d3f73;");

    m_status = label(this, "label_status");
    m_status->setAlignment(Qt::AlignCenter);
    m_time = label(this, "label_time", "color: #102a50;");
    m_time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_time->setText("Time: 0:00");
    m_timerTrack = new QFrame(this);
    m_timerTrack->setStyleSheet("background: rgba(255,255,255,140); border: 1px solid rgba(40,60,90,120);");
    m_timerBar = new QFrame(m_timerTrack);
    m_timerBar->setObjectName("image_timer");
    m_timerBar->setStyleSheet("background: #2e8b3a; border: none;");

    buildPlayArea();
    buildBoxes();

    m_result = label(this, "memo_ending", "color: #102a50;");
    m_result->setWordWrap(true);
    m_result->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_sum = label(this, "label_thesum", "color: #102a50;");
    m_sum->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_sum->setText("Current: 0");

    m_chatView = new ChatView(this);
    // The face is painted in bands (chat/Faces.h); the style sheet keeps only the border's room.
    m_chatView->setStyleSheet("QTextBrowser { background: transparent; border: 1px solid transparent; }");
    faces::setFace(m_chatView, { QColor(255, 255, 255, 225), QColor(40, 60, 90, 140), 1, 4 });
    m_phrases = new PhraseBar(outbox, this);
    m_chatInput = new ChatInput(outbox, this);

    buildSeats();
    buildInfo();
    buildWordLists();
    buildMissedWords();
    m_announcer = new Announcer(this);
    nameControls();
}

void GameBoard::buildPlayArea()
{
    m_playArea = panel(this, "panel_game");
    m_wordPanel = panel(m_playArea, "panel_word", { QColor(255, 255, 255, 90), QColor(40, 60, 90, 110), 1, 4, true });
    for (int n = 1; n <= rules::kZirkedTiles; ++n) {
        auto* t = new TileWidget(n, m_playArea);
        t->hide();
        connect(t, &TileWidget::pressed, this, &GameBoard::tilePressed);
        connect(t, &TileWidget::activated, this, &GameBoard::tileActivated);
        connect(t, &TileWidget::stepped, this, &GameBoard::tileStepped);
        m_tiles[static_cast<std::size_t>(n - 1)] = t;
    }
    m_buttonClear = turnButton(new QPushButton("Clear", m_playArea), "button_clear");
    m_buttonDone = turnButton(new QPushButton("Done", m_playArea), "button_done");
    m_buttonDone->setStyleSheet("QPushButton { color: white; background: #2e8b3a; border: 1px "
                                "solid #1d5a25; border-radius: 5px; } QPushButton:hover { background: #37a346; }");
    m_buttonNew = new DoubleClickButton("New Tiles", m_playArea);
    turnButton(m_buttonNew, "button_newtiles");
    m_buttonOld = new DoubleClickButton("Old Tiles", m_playArea);
    turnButton(m_buttonOld, "button_old");
    for (QPushButton* b : { static_cast<QPushButton*>(m_buttonNew), static_cast<QPushButton*>(m_buttonOld) })
        b->setToolTip("Get all New Tiles but lost 300 points!");
    m_buttonFinish = turnButton(new QPushButton("Finish", m_playArea), "button_finish");
    m_typing = new QCheckBox(
        QString::fromUtf8(client::kTypingOff.data(), static_cast<qsizetype>(client::kTypingOff.size())), m_playArea);
    m_typing->setObjectName("checkbox_typing");
    m_typing->setFocusPolicy(Qt::NoFocus);
    m_typing->setStyleSheet("QCheckBox { color: #102a50; background: transparent; }");
    m_typing->hide();
    connect(m_buttonDone, &QPushButton::clicked, this, &GameBoard::doneClicked);
    connect(m_buttonClear, &QPushButton::clicked, this, &GameBoard::clearClicked);
    connect(m_buttonNew, &DoubleClickButton::doubleClicked, this, &GameBoard::newTilesDoubleClicked);
    connect(m_buttonOld, &DoubleClickButton::doubleClicked, this, &GameBoard::oldTilesDoubleClicked);
    connect(m_buttonFinish, &QPushButton::clicked, this, &GameBoard::finishClicked);
    // The model owns the check: undo Qt's own toggle and let the model decide.
    connect(m_typing, &QCheckBox::clicked, this, &GameBoard::typingClicked);

    m_winnerPanel
        = panel(m_playArea, "panel_winner", { QColor(255, 236, 150, 235), QColor(0xb0, 0x7d, 0), 2, 8 });
    m_winnerLabel = label(m_winnerPanel, "label_winner", "color: #5a3a00;");
    m_winnerLabel->setAlignment(Qt::AlignCenter);
    m_winnerLabel->setWordWrap(true);
    m_winnerPanel->hide();

    m_buttonStart = new QPushButton("Start Game", m_playArea);
    m_buttonStart->setObjectName("button_start");
    m_buttonStart->setStyleSheet("QPushButton { color: white; background: "
                                 "#2e6bb3; border: 1px solid #1d3f73; border-radius: 6px; }"
                                 "QPushButton:hover { background: #3a7fd0; }");
    m_buttonStart->hide();
    connect(m_buttonStart, &QPushButton::clicked, this, &GameBoard::startClicked);
}

void GameBoard::buildBoxes()
{
    for (int length = rules::kMinWordLength; length <= rules::kMaxWordLength; ++length) {
        const int i = length - rules::kMinWordLength;
        auto* caption = label(this, QString("label_caption%1").arg(length), "color: #102a50;");
        caption->setText(QString("%1 Letters").arg(length));
        caption->setAlignment(Qt::AlignCenter);
        m_captions[static_cast<std::size_t>(i)] = caption;
        auto* list = wordList(this, QString("list_%1").arg(length));
        list->setProperty("tag", length);
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        auto* points = label(this, QString("label_memo%1").arg(length));
        points->setAlignment(Qt::AlignCenter);
        points->setText("0");
        m_boxes[static_cast<std::size_t>(i)] = { caption, list, points };
    }
}

void GameBoard::buildSeats()
{
    m_seatPanel = panel(this, "panel_players");
    m_turnMarker
        = panel(m_seatPanel, "image_turn", { QColor(255, 200, 40, 200), QColor(0xb0, 0x7d, 0), 2, 6 });
    m_turnMarker->hide();
    for (int i = 0; i < rules::kPlayerSeats; ++i) {
        const int seat = i + 1;
        Seat& s = m_seats[static_cast<std::size_t>(i)];
        s.box = panel(m_seatPanel, "", { QColor(255, 255, 255, 140), {}, 0, 4 });

        auto* number = new QLabel(QString::number(seat), s.box);
        number->setStyleSheet("color: white; background: transparent;");
        number->setAlignment(Qt::AlignCenter);
        m_seatNumbers[static_cast<std::size_t>(i)] = number;

        s.name = label(s.box, QString("label_playername%1").arg(seat), "color: #102a50;");
        s.name->setProperty("tag", seat);
        s.name->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(s.name, &QLabel::customContextMenuRequested, this,
            [this, seat, name = s.name](const QPoint& pos) { emit nameMenuRequested(seat, name->mapToGlobal(pos)); });
        s.score = label(s.box, QString("label_score%1").arg(seat), "color: #1f6b2f;");
        s.score->setText("0");
        s.bonus = label(s.box, QString("label_bonus%1").arg(seat), "color: #8a2b00;");
        s.eyes = label(s.box, QString("image_eyes%1").arg(seat));
        s.eyes->setToolTip("Just watching");
        s.eyes->hide();
        s.fresh = label(s.box, QString("image_new%1").arg(seat));
        s.fresh->setToolTip("Bought new tiles");
        s.fresh->hide();
    }
}

void GameBoard::buildInfo()
{
    m_infoPanel = panel(this, "panel_info");
    const char* names[]
        = { "label_playto", "label_timeperturn", "label_zirkedat", "label_typing", "label_newtiles", "label_fastgame" };
    for (int i = 0; i < 6; ++i) {
        m_info[static_cast<std::size_t>(i)] = label(m_infoPanel, names[i], "color: #102a50;");
        m_info[static_cast<std::size_t>(i)]->hide();
    }
    m_team = label(m_infoPanel, "label_team", "color: #8a2b00;");
    m_noGame = label(m_infoPanel, "label_nogame", "color: #2a4a70;");
    m_noGame->setText("No game running yet.");
    m_noGame->setAlignment(Qt::AlignCenter);
    m_noGame->setWordWrap(true);
}

void GameBoard::buildWordLists()
{
    m_wordLists = panel(this, "panel_wordlists", { QColor(250, 252, 255, 245), QColor(0x1d, 0x3f, 0x73), 2, 8 });
    // One scroll bar for the whole panel, and only when even its columns cannot show every word.
    m_wordScroll = new QScrollArea(m_wordLists);
    m_wordScroll->setFrameShape(QFrame::NoFrame);
    m_wordScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_wordScroll->setStyleSheet("QScrollArea { background: transparent; }");
    m_wordColumns = new QWidget;
    m_wordColumns->setObjectName("panel_wordcolumns");
    m_wordColumns->setAttribute(Qt::WA_TranslucentBackground);
    m_wordColumns->setStyleSheet("QWidget#panel_wordcolumns { background: transparent; }");
    m_wordScroll->setWidget(m_wordColumns);
    m_wordScroll->viewport()->setAutoFillBackground(false);
    for (int i = 0; i < rules::kPlayerSeats; ++i) {
        const int seat = i + 1;
        WordColumn& c = m_columns[static_cast<std::size_t>(i)];
        c.name = label(m_wordColumns, QString("label_name%1").arg(seat), "color: #102a50;");
        c.name->setWordWrap(true);
        c.name->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
        c.count = label(m_wordColumns, QString("label_count%1").arg(seat), "color: #102a50;");
        c.score = label(m_wordColumns, QString("label_wscore%1").arg(seat), "color: #1f6b2f;");
        c.words = wordList(m_wordColumns, QString("listbox_words%1").arg(seat));
        // A long list runs on in further columns of its own, never behind a scroll bar.
        c.words->setFlow(QListView::TopToBottom);
        c.words->setWrapping(true);
        c.words->setResizeMode(QListView::Adjust);
        c.words->setUniformItemSizes(true);
        c.words->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        whitePage(c.words);
    }
    m_closeLists = new QPushButton("X", m_wordLists);
    m_closeLists->setObjectName("button_close");
    m_closeLists->setFocusPolicy(Qt::NoFocus);
    connect(m_closeLists, &QPushButton::clicked, this, &GameBoard::wordListsClosed);
    m_wordLists->hide();
}

bool GameBoard::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_logo && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        emit logoClicked();
    return QWidget::eventFilter(watched, event);
}

void GameBoard::buildMissedWords()
{
    m_missedPanel = panel(this, "panel_missed", { QColor(255, 250, 235, 245), QColor(0xb0, 0x7d, 0), 2, 8 });
    m_missedTitle = label(m_missedPanel, "label_missed", "color: #5a3a00;");
    m_missedTitle->setText("Words you missed");
    m_missed = wordList(m_missedPanel, "listbox_missed");
    whitePage(m_missed);
    m_closeMissed = new QPushButton("X", m_missedPanel);
    m_closeMissed->setObjectName("button_closemissed");
    m_closeMissed->setFocusPolicy(Qt::NoFocus);
    connect(m_closeMissed, &QPushButton::clicked, this, &GameBoard::wordListsClosed);
    m_missedPanel->hide();
}

void GameBoard::render(const client::Game& game, const client::Roster& roster)
{
    renderRack(game);
    renderBoxes(game);
    renderSeats(game, roster);
    renderClock(game);

    const client::TurnButtons& b = game.buttons();
    m_buttonDone->setVisible(b.done);
    m_buttonClear->setVisible(b.clear);
    m_buttonNew->setVisible(b.newTiles);
    m_buttonOld->setVisible(b.oldTiles);
    m_buttonFinish->setVisible(b.finish);
    m_typing->setVisible(b.typing);
    m_typing->setChecked(game.typingOn());
    QString typing = QString::fromUtf8(game.typingText().data(), static_cast<qsizetype>(game.typingText().size()));
    placeTypingBox(typing);
    if (m_typing->accessibleName() != typing.simplified())
        m_typing->setAccessibleName(typing.simplified());
    restyle(m_typing,
        QString("QCheckBox { background: transparent; color: %1; font-weight: %2; }")
            .arg(css(game.typingColour()), game.typingOn() ? "bold" : "normal"));
    m_buttonStart->setVisible(game.startButton());

    setText(m_status, game.status());
    restyle(m_status, QString("background: transparent; color: %1;").arg(css(game.statusColour())));
    setText(m_result, game.resultText());
    setText(m_winnerLabel, game.winnerText());
    m_winnerPanel->setVisible(game.winnerShown());
    for (int seat = 1; seat <= rules::kPlayerSeats; ++seat) {
        const client::WordList& model = game.wordList(seat);
        WordColumn& c = m_columns[static_cast<std::size_t>(seat - 1)];
        setText(c.name, model.name);
        setText(c.count, model.count);
        setText(c.score, model.score);
        setLines(c.words, model.lines);
        // A free seat has no column, unless words reached it before its player left.
        m_columnShown[static_cast<std::size_t>(seat - 1)]
            = !model.lines.empty() || (!model.name.empty() && model.name != client::kWaiting);
    }
    // The missed words stand beside the word lists, which make room for them.
    std::vector<std::string> missed;
    for (const auto& m : game.missedWords())
        missed.push_back(missedLine(m));
    setLines(m_missed, missed);
    m_missedPanel->setVisible(game.missedShown());
    m_wordLists->setVisible(game.wordListsShown());
    if (game.wordListsShown())
        m_wordLists->raise();
    if (game.missedShown())
        m_missedPanel->raise();

    const bool anyInfo = !game.infoTexts()[0].empty();
    for (std::size_t i = 0; i < m_info.size(); ++i) {
        setText(m_info[i], game.infoTexts()[i]);
        m_info[i]->setVisible(anyInfo);
    }
    setText(m_team, game.teamText());
    // The game's speed, as the settings panel's fast-game label keeps it: 1 slow, 2 fast.
    m_info[5]->setProperty("tag", game.settings().fast ? 2 : 1);
    m_noGame->setVisible(!anyInfo);
    describe(game, roster);
    relayoutIfChanged();
}

// The layout gives the typing box room for its words wherever the rack leaves it.
void GameBoard::placeTypingBox(const QString& text)
{
    m_typing->setText(text);
}

QPoint GameBoard::designTilePosition(const client::Tile& tile, bool twoRows)
{
    if (tile.shownInWord > 0)
        return { designWordLeft(tile.shownInWord), kWordRowTop };
    // The lower row holds places 1, 2, 3, 11, 12 and 13, clear of the buttons beside it.
    constexpr int kLowerLeft[] = { 183, 227, 270, 0, 0, 0, 0, 0, 0, 0, 313, 356, 400 };
    const int place = std::clamp(tile.place, 1, rules::kZirkedTiles);
    if (twoRows && client::Rack::lowerRow(place))
        return { kLowerLeft[place - 1], kLowerRowTop };
    return { place * kTileSize + 9, kRackTop };
}

void GameBoard::renderRack(const client::Game& game)
{
    const client::Rack& rack = game.rack();
    m_twoRows = rack.twoRows();
    for (int n = 1; n <= rules::kZirkedTiles; ++n) {
        const client::Tile& t = rack.tile(n);
        m_shownTiles[static_cast<std::size_t>(n - 1)] = t;
        TileWidget* w = m_tiles[static_cast<std::size_t>(n - 1)];
        w->setLetter(t.picture ? t.letter : 0);
        w->setInWord(t.wordPosition != 0);
        w->move(tilePosition(t, rack.twoRows()));
        // Before the first deal there is no rack to show.
        w->setVisible(t.visible && (t.picture || game.started()));
    }
}

void GameBoard::renderBoxes(const client::Game& game)
{
    for (int length = rules::kMinWordLength; length <= rules::kMaxWordLength; ++length) {
        const client::WordBox& model = game.box(length);
        Box& box = m_boxes[static_cast<std::size_t>(length - rules::kMinWordLength)];
        setLines(box.list, model.words);
        setText(box.caption, client::boxCaption(length, model.full, model.closed));
        const QString style
            = QString("QListWidget { background: transparent; color: %1; border: 1px solid transparent; }")
                  .arg(css(model.textColour));
        restyle(box.list, style);
        faces::setFace(box.list, { QColor(css(model.background)), QColor(40, 60, 90, 140), 1, 3 });
        setText(box.points, std::to_string(model.points));
    }
    setText(m_sum, "Current: " + std::to_string(game.currentSum()));
}

void GameBoard::renderSeats(const client::Game& game, const client::Roster& roster)
{
    for (int seat = 1; seat <= rules::kPlayerSeats; ++seat) {
        Seat& s = m_seats[static_cast<std::size_t>(seat - 1)];
        const client::SeatBoard& model = game.seat(seat);
        setText(s.name, roster.name(seat));
        setText(s.score, model.score);
        setText(s.bonus, model.bonus);
        s.fresh->setVisible(model.newTiles);
        s.eyes->setVisible(roster.watching(seat));
    }
    const int marker = game.turnMarkerSeat();
    m_markerSeat = game.turnMarkerShown() && marker >= 1 && marker <= rules::kPlayerSeats ? marker : 0;
    placeTurnMarker();
}

void GameBoard::placeTurnMarker()
{
    if (m_markerSeat == 0) {
        m_turnMarker->hide();
        return;
    }
    const QRect box = m_seats[static_cast<std::size_t>(m_markerSeat - 1)].box->geometry();
    const int dx = qRound(4 * m_scale);
    const int dy = qRound(3 * m_scale);
    m_turnMarker->setGeometry(box.adjusted(-dx, -dy, dx, dy));
    m_turnMarker->show();
    m_turnMarker->lower();
}

void GameBoard::renderClock(const client::Game& game)
{
    setText(m_time, game.timeText());
    // A minute fills 60 of the track's 200 steps, a step a second; a longer
    // turn than the track has steps is scaled to fit it.
    constexpr int kSteps = 200;
    const int full = std::max(1, game.settings().timePerTurn);
    const int steps = full <= kSteps ? game.clockBarWidth() : game.clockBarWidth() * kSteps / full;
    const int width = std::clamp(steps, 0, kSteps) * m_trackWidth / kSteps;
    const int inset = std::max(2, qRound(2 * m_scale));
    m_timerBar->setGeometry(inset, inset, width, std::max(1, m_timerTrack->height() - 2 * inset));
    // The last seconds are striped as well as red: colour is never the only sign.
    restyle(m_timerBar,
        game.clockHurry() ? "background: qlineargradient(spread:repeat, x1:0, y1:0, x2:0.04, y2:0, stop:0 #c0392b, "
                            "stop:0.5 #c0392b, stop:0.51 #f4d03f, stop:1 #f4d03f); border: none;"
                          : "background: #2e8b3a; border: none;");
    describeClock(game);
}

