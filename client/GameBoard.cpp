#include "GameBoard.h"

#include "Announcer.h"
#include "TileWidget.h"
#include "Wording.h"
#include "chat/ChatInput.h"
#include "chat/ChatView.h"
#include "chat/PhraseBar.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

class DoubleClickButton : public QPushButton
{
    Q_OBJECT
public:
    using QPushButton::QPushButton;
signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        QPushButton::mouseDoubleClickEvent(event);
        emit doubleClicked();
    }
};

namespace
{

constexpr int kLeftWidth = 590;
constexpr int kRightX = 596;
constexpr int kRightWidth = 168;
constexpr int kPlayTop = 46;
constexpr int kBoxTop = 198;
constexpr int kTimerTrackWidth = 200;
constexpr int kMissedWidth = 156;
// The typing box says what the keys do in full: left of "Finish" under a rack
// of one row; right of the upper row when the tiles stand in two.
constexpr QRect kTypingOneRow(182, 110, 260, 30);
constexpr QRect kTypingTwoRows(462, 60, 126, 44);

QString css(std::uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF).name(); }

// A translucent rounded panel drawn once per size: repainting a tile's strip
// of the board is then a copy, not a path fill of the whole panel.
class Panel : public QFrame
{
public:
    struct Look {
        QColor fill = QColor(255, 255, 255, 150);
        QColor border = QColor(40, 60, 90, 120);
        qreal width = 1;
        qreal radius = 6;
        bool dashed = false;
    };
    Panel(QWidget* parent, const Look& look)
        : QFrame(parent)
        , m_look(look)
    {
    }
    void setLook(const Look& look)
    {
        m_look = look;
        m_face = QPixmap();
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const qreal dpr = devicePixelRatioF();
        if (m_face.size() != size() * dpr) {
            m_face = QPixmap(size() * dpr);
            m_face.setDevicePixelRatio(dpr);
            m_face.fill(Qt::transparent);
            QPainter f(&m_face);
            f.setRenderHint(QPainter::Antialiasing);
            QPen pen(m_look.border, m_look.width);
            if (m_look.dashed)
                pen.setStyle(Qt::DashLine);
            f.setPen(m_look.width > 0 ? pen : QPen(Qt::NoPen));
            f.setBrush(m_look.fill);
            const qreal inset = m_look.width / 2;
            f.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), m_look.radius, m_look.radius);
        }
        QPainter p(this);
        const QRect r = event->rect();
        p.drawPixmap(r, m_face, QRectF(QPointF(r.topLeft()) * dpr, QSizeF(r.size()) * dpr));
    }

private:
    Look m_look;
    QPixmap m_face;
};

QFrame* panel(QWidget* parent, const char* name, const QRect& where, const Panel::Look& look = {})
{
    auto* f = new Panel(parent, look);
    f->setObjectName(name);
    f->setGeometry(where);
    return f;
}

QLabel* label(QWidget* parent, const QString& name, const QRect& where, const QString& style = {})
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setGeometry(where);
    l->setTextFormat(Qt::PlainText);
    l->setStyleSheet("background: transparent;" + style);
    return l;
}

QPushButton* turnButton(QPushButton* b, const char* name, const QRect& where)
{
    b->setObjectName(name);
    b->setGeometry(where);
    b->setFocusPolicy(Qt::NoFocus);
    b->setStyleSheet("QPushButton { font-weight: bold; color: #102a50; background: #f4f7fb; border: 1px solid "
                     "#5a7aa5; border-radius: 5px; } QPushButton:hover { background: #ffffff; }");
    b->hide();
    return b;
}

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

} // namespace

GameBoard::GameBoard(QWidget* parent, ChatOutbox* outbox)
    : QWidget(parent)
{
    setObjectName("panel_board");
    resize(kWidth, kHeight);

    auto* logo = m_logo = new QLabel("Zirky", this);
    logo->setCursor(Qt::PointingHandCursor);
    logo->setToolTip("Visit the maker's web site");
    logo->installEventFilter(this);
    logo->setObjectName("image_logo");
    logo->setGeometry(10, 0, 200, 46);
    QFont lf("Serif", 26, QFont::Black);
    lf.setItalic(true);
    logo->setFont(lf);
    logo->setStyleSheet("color: #1d3f73;");
    auto* shadow = new QGraphicsDropShadowEffect(logo);
    shadow->setBlurRadius(6);
    shadow->setOffset(2, 2);
    shadow->setColor(QColor(255, 255, 255, 200));
    logo->setGraphicsEffect(shadow);

    m_status = label(this, "label_status", QRect(150, 2, 440, 22), "font-weight: bold; font-size: 14px;");
    m_status->setAlignment(Qt::AlignCenter);
    m_time = label(this, "label_time", QRect(300, 24, 80, 20), "color: #102a50; font-weight: bold;");
    m_time->setText("Time: 0:00");
    m_timerTrack = new QFrame(this);
    m_timerTrack->setGeometry(384, 30, kTimerTrackWidth + 4, 12);
    m_timerTrack->setStyleSheet("background: rgba(255,255,255,140); border: 1px solid rgba(40,60,90,120);");
    m_timerBar = new QFrame(m_timerTrack);
    m_timerBar->setObjectName("image_timer");
    m_timerBar->setGeometry(2, 2, 0, 8);
    m_timerBar->setStyleSheet("background: #2e8b3a; border: none;");

    buildPlayArea();
    buildBoxes();

    m_result = label(this, "memo_ending", QRect(4, 306, 484, 18), "color: #102a50; font-size: 11px;");
    m_sum = label(this, "label_thesum", QRect(488, 306, 98, 18), "color: #102a50; font-weight: bold;");
    m_sum->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_sum->setText("Current: 0");

    m_chatView = new ChatView(this);
    m_chatView->setGeometry(0, 328, kLeftWidth, 124);
    m_chatView->setStyleSheet("QTextBrowser { background: rgba(255,255,255,225); border: 1px solid "
                              "rgba(40,60,90,140); border-radius: 4px; }");
    m_phrases = new PhraseBar(outbox, this);
    m_phrases->setGeometry(0, 455, kLeftWidth, 24);
    m_chatInput = new ChatInput(outbox, this);
    m_chatInput->setGeometry(0, 482, kLeftWidth, 24);

    buildSeats();
    buildInfo();
    buildWordLists();
    buildMissedWords();
    m_announcer = new Announcer(this);
    nameControls();
}

void GameBoard::buildPlayArea()
{
    m_playArea = panel(this, "panel_game", QRect(0, kPlayTop, kLeftWidth, 150));
    panel(m_playArea, "panel_word", QRect(106, 4, 418, 49),
        { QColor(255, 255, 255, 90), QColor(40, 60, 90, 110), 1, 4, true });
    for (int n = 1; n <= rules::kZirkedTiles; ++n) {
        auto* t = new TileWidget(n, m_playArea);
        t->hide();
        connect(t, &TileWidget::pressed, this, &GameBoard::tilePressed);
        connect(t, &TileWidget::activated, this, &GameBoard::tileActivated);
        connect(t, &TileWidget::stepped, this, &GameBoard::tileStepped);
        m_tiles[static_cast<std::size_t>(n - 1)] = t;
    }
    m_buttonClear = turnButton(new QPushButton("Clear", m_playArea), "button_clear", QRect(8, 14, 90, 30));
    m_buttonDone = turnButton(new QPushButton("Done", m_playArea), "button_done", QRect(530, 10, 54, 38));
    m_buttonDone->setStyleSheet("QPushButton { font-weight: bold; color: white; background: #2e8b3a; border: 1px "
                                "solid #1d5a25; border-radius: 5px; } QPushButton:hover { background: #37a346; }");
    m_buttonNew = new DoubleClickButton("New Tiles", m_playArea);
    turnButton(m_buttonNew, "button_newtiles", QRect(4, 110, 84, 30));
    m_buttonOld = new DoubleClickButton("Old Tiles", m_playArea);
    turnButton(m_buttonOld, "button_old", QRect(92, 110, 84, 30));
    for (QPushButton* b : { static_cast<QPushButton*>(m_buttonNew), static_cast<QPushButton*>(m_buttonOld) })
        b->setToolTip("Get all New Tiles but lost 300 points!");
    m_buttonFinish = turnButton(new QPushButton("Finish", m_playArea), "button_finish", QRect(446, 110, 58, 30));
    m_typing = new QCheckBox(
        QString::fromUtf8(client::kTypingOff.data(), static_cast<qsizetype>(client::kTypingOff.size())), m_playArea);
    m_typing->setObjectName("checkbox_typing");
    // Placed by render, where the rack leaves room for its words.
    m_typing->setGeometry(kTypingOneRow);
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

    m_winnerPanel = panel(m_playArea, "panel_winner", QRect(60, 56, 470, 44),
        { QColor(255, 236, 150, 235), QColor(0xb0, 0x7d, 0), 2, 8 });
    m_winnerLabel = label(
        m_winnerPanel, "label_winner", QRect(4, 2, 462, 40), "color: #5a3a00; font-size: 20px; font-weight: bold;");
    m_winnerLabel->setAlignment(Qt::AlignCenter);
    m_winnerPanel->hide();

    m_buttonStart = new QPushButton("Start Game", m_playArea);
    m_buttonStart->setObjectName("button_start");
    m_buttonStart->setGeometry(225, 104, 140, 40);
    m_buttonStart->setStyleSheet("QPushButton { font-size: 14px; font-weight: bold; color: white; background: "
                                 "#2e6bb3; border: 1px solid #1d3f73; border-radius: 6px; }"
                                 "QPushButton:hover { background: #3a7fd0; }");
    m_buttonStart->hide();
    connect(m_buttonStart, &QPushButton::clicked, this, &GameBoard::startClicked);
}

void GameBoard::buildBoxes()
{
    for (int length = rules::kMinWordLength; length <= rules::kMaxWordLength; ++length) {
        const int i = length - rules::kMinWordLength;
        const int x = 2 + i * 73 + (i > 0 ? i / 2 : 0);
        auto* caption
            = label(this, QString("label_caption%1").arg(length), QRect(x, kBoxTop, 70, 14), "color: #102a50;");
        caption->setText(QString("%1 Letters").arg(length));
        caption->setAlignment(Qt::AlignCenter);
        auto* list = new QListWidget(this);
        list->setObjectName(QString("list_%1").arg(length));
        list->setProperty("tag", length);
        list->setGeometry(x, kBoxTop + 14, 70, 78);
        list->setFocusPolicy(Qt::NoFocus);
        list->setSelectionMode(QAbstractItemView::NoSelection);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        auto* points
            = label(this, QString("label_memo%1").arg(length), QRect(x, kBoxTop + 92, 70, 14), "font-weight: bold;");
        points->setAlignment(Qt::AlignCenter);
        points->setText("0");
        m_boxes[static_cast<std::size_t>(i)] = { caption, list, points };
    }
}

void GameBoard::buildSeats()
{
    auto* seats = panel(this, "panel_players", QRect(kRightX, 0, kRightWidth, 370));
    m_turnMarker = panel(seats, "image_turn", QRect(), { QColor(255, 200, 40, 200), QColor(0xb0, 0x7d, 0), 2, 6 });
    m_turnMarker->hide();
    const QPixmap eyes = eyesIcon();
    const QPixmap fresh = newTilesIcon();
    for (int i = 0; i < rules::kPlayerSeats; ++i) {
        const int seat = i + 1;
        Seat& s = m_seats[static_cast<std::size_t>(i)];
        s.box = panel(seats, "", QRect(6, 6 + i * 60, kRightWidth - 12, 56), { QColor(255, 255, 255, 140), {}, 0, 4 });

        auto* number = new QLabel(QString::number(seat), s.box);
        number->setGeometry(4, 4, 18, 22);
        number->setAlignment(Qt::AlignCenter);
        number->setStyleSheet("background: #1d3f73; color: white; font-weight: bold; border-radius: 9px;");

        s.name = label(s.box, QString("label_playername%1").arg(seat), QRect(26, 3, 126, 24),
            "font-weight: bold; font-size: 13px; color: #102a50;");
        s.name->setProperty("tag", seat);
        s.name->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(s.name, &QLabel::customContextMenuRequested, this,
            [this, seat, name = s.name](const QPoint& pos) { emit nameMenuRequested(seat, name->mapToGlobal(pos)); });
        s.score = label(s.box, QString("label_score%1").arg(seat), QRect(26, 29, 58, 22),
            "font-size: 14px; font-weight: bold; color: #1f6b2f;");
        s.score->setText("0");
        s.bonus = label(
            s.box, QString("label_bonus%1").arg(seat), QRect(84, 29, 70, 22), "color: #8a2b00; font-weight: bold;");
        s.eyes = label(s.box, QString("image_eyes%1").arg(seat), QRect(94, 7, 26, 16));
        s.eyes->setPixmap(eyes);
        s.eyes->setToolTip("Just watching");
        s.eyes->hide();
        s.fresh = label(s.box, QString("image_new%1").arg(seat), QRect(123, 7, 30, 16));
        s.fresh->setPixmap(fresh);
        s.fresh->setToolTip("Bought new tiles");
        s.fresh->hide();
    }
}

void GameBoard::buildInfo()
{
    auto* info = panel(this, "panel_info", QRect(kRightX, 376, kRightWidth, 130));
    const char* names[]
        = { "label_playto", "label_timeperturn", "label_zirkedat", "label_typing", "label_newtiles", "label_fastgame" };
    for (int i = 0; i < 6; ++i) {
        m_info[static_cast<std::size_t>(i)]
            = label(info, names[i], QRect(8, 3 + i * 17, kRightWidth - 12, 17), "color: #102a50;");
        m_info[static_cast<std::size_t>(i)]->hide();
    }
    m_team
        = label(info, "label_team", QRect(8, 3 + 6 * 17, kRightWidth - 12, 17), "color: #8a2b00; font-weight: bold;");
    m_noGame = label(info, "label_nogame", QRect(0, 0, kRightWidth, 130), "color: #2a4a70; font-style: italic;");
    m_noGame->setText("No game running yet.");
    m_noGame->setAlignment(Qt::AlignCenter);
}

void GameBoard::buildWordLists()
{
    m_wordLists = panel(this, "panel_wordlists", QRect(0, kBoxTop - 4, kLeftWidth, 286),
        { QColor(250, 252, 255, 245), QColor(0x1d, 0x3f, 0x73), 2, 8 });
    for (int i = 0; i < rules::kPlayerSeats; ++i) {
        const int seat = i + 1;
        WordColumn& c = m_columns[static_cast<std::size_t>(i)];
        c.name = label(m_wordLists, QString("label_name%1").arg(seat), QRect(), "font-weight: bold; color: #102a50;");
        c.count = label(m_wordLists, QString("label_count%1").arg(seat), QRect(), "color: #102a50;");
        c.score
            = label(m_wordLists, QString("label_wscore%1").arg(seat), QRect(), "color: #1f6b2f; font-weight: bold;");
        c.words = new QListWidget(m_wordLists);
        c.words->setObjectName(QString("listbox_words%1").arg(seat));
        c.words->setFocusPolicy(Qt::NoFocus);
        c.words->setSelectionMode(QAbstractItemView::NoSelection);
    }
    m_closeLists = new QPushButton("X", m_wordLists);
    m_closeLists->setObjectName("button_close");
    m_closeLists->setFocusPolicy(Qt::NoFocus);
    connect(m_closeLists, &QPushButton::clicked, this, &GameBoard::wordListsClosed);
    layoutWordLists(kLeftWidth);
    m_wordLists->hide();
}

void GameBoard::layoutWordLists(int width)
{
    m_wordLists->resize(width, m_wordLists->height());
    const int w = (width - 14) / rules::kPlayerSeats;
    for (int i = 0; i < rules::kPlayerSeats; ++i) {
        const int x = 6 + i * w;
        WordColumn& c = m_columns[static_cast<std::size_t>(i)];
        c.name->setGeometry(x, 6, w - 24, 18);
        c.count->setGeometry(x, 24, w - 4, 16);
        c.score->setGeometry(x, 40, w - 4, 16);
        c.words->setGeometry(x, 58, w - 4, 220);
    }
    m_closeLists->setGeometry(width - 26, 4, 22, 22);
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
    m_missedPanel = panel(this, "panel_missed", QRect(kLeftWidth - kMissedWidth, kBoxTop - 4, kMissedWidth, 286),
        { QColor(255, 250, 235, 245), QColor(0xb0, 0x7d, 0), 2, 8 });
    auto* title = label(m_missedPanel, "label_missed", QRect(6, 6, kMissedWidth - 34, 18),
        "font-weight: bold; font-size: 11px; color: #5a3a00;");
    title->setText("Words you missed");
    m_missed = new QListWidget(m_missedPanel);
    m_missed->setObjectName("listbox_missed");
    m_missed->setGeometry(6, 28, kMissedWidth - 12, 250);
    m_missed->setFocusPolicy(Qt::NoFocus);
    m_missed->setSelectionMode(QAbstractItemView::NoSelection);
    // Fixed pitch, so that the points stand in a column.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(11);
    m_missed->setFont(fixed);
    auto* close = new QPushButton("X", m_missedPanel);
    close->setObjectName("button_closemissed");
    close->setGeometry(kMissedWidth - 26, 4, 22, 22);
    close->setFocusPolicy(Qt::NoFocus);
    connect(close, &QPushButton::clicked, this, &GameBoard::wordListsClosed);
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
    placeTypingBox(typing, game.rack().twoRows());
    if (m_typing->accessibleName() != typing.simplified())
        m_typing->setAccessibleName(typing.simplified());
    restyle(m_typing,
        QString("QCheckBox { background: transparent; color: %1; font-weight: %2; }")
            .arg(css(game.typingColour()), game.typingOn() ? "bold" : "normal"));
    m_buttonStart->setVisible(game.startButton());

    setText(m_status, game.status());
    restyle(m_status,
        QString("background: transparent; font-weight: bold; font-size: 14px; color: %1;")
            .arg(css(game.statusColour())));
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
    }
    // The missed words stand beside the word lists, which make room for them.
    std::vector<std::string> missed;
    for (const auto& m : game.missedWords())
        missed.push_back(missedLine(m));
    setLines(m_missed, missed);
    m_missedPanel->setVisible(game.missedShown());
    if (const int width = game.missedShown() ? kLeftWidth - kMissedWidth - 4 : kLeftWidth;
        width != m_wordLists->width())
        layoutWordLists(width);
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
}

void GameBoard::placeTypingBox(QString text, bool twoRows)
{
    if (twoRows) {
        text.replace(QStringLiteral(" \u2014 "), QStringLiteral(" \u2014\n"));
        m_typing->setGeometry(kTypingTwoRows);
    } else {
        m_typing->setGeometry(kTypingOneRow);
    }
    m_typing->setText(text);
}

QPoint GameBoard::tilePosition(const client::Tile& tile, bool twoRows)
{
    if (tile.shownInWord > 0)
        return { wordLeft(tile.shownInWord), kWordRowTop };
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
    for (int n = 1; n <= rules::kZirkedTiles; ++n) {
        const client::Tile& t = rack.tile(n);
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
            = QString("QListWidget { background: %1; color: %2; font-weight: bold; font-size: 10px; border: 1px solid "
                      "rgba(40,60,90,140); border-radius: 3px; }")
                  .arg(css(model.background), css(model.textColour));
        restyle(box.list, style);
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
    if (game.turnMarkerShown() && marker >= 1 && marker <= rules::kPlayerSeats) {
        const QRect box = m_seats[static_cast<std::size_t>(marker - 1)].box->geometry();
        m_turnMarker->setGeometry(box.adjusted(-4, -3, 4, 3));
        m_turnMarker->show();
        m_turnMarker->lower();
    } else {
        m_turnMarker->hide();
    }
}

void GameBoard::renderClock(const client::Game& game)
{
    setText(m_time, game.timeText());
    // A long turn's bar is scaled to the track; a minute is a pixel a second.
    const int full = std::max(1, game.settings().timePerTurn);
    const int width = full <= kTimerTrackWidth ? game.clockBarWidth() : game.clockBarWidth() * kTimerTrackWidth / full;
    m_timerBar->resize(std::clamp(width, 0, kTimerTrackWidth), 8);
    // The last seconds are striped as well as red: colour is never the only sign.
    restyle(m_timerBar,
        game.clockHurry() ? "background: qlineargradient(spread:repeat, x1:0, y1:0, x2:0.04, y2:0, stop:0 #c0392b, "
                            "stop:0.5 #c0392b, stop:0.51 #f4d03f, stop:1 #f4d03f); border: none;"
                          : "background: #2e8b3a; border: none;");
    describeClock(game);
}

#include "GameBoard.moc"
