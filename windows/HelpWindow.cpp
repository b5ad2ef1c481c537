#include "HelpWindow.h"

#include "Background.h"
#include "MakerSite.h"
#include "net/Commands.h"
#include "rules/Points.h"
#include "rules/Version.h"

#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace
{

const QString kStyle = QStringLiteral("<style>h2 { color: #1d3557; } td, th { padding: 2px 8px; }"
                                      " th { background: #dfe9f3; } td { text-align: right; }</style>");

QString overviewPage()
{
    return kStyle
        + QStringLiteral("<h2>Zirky</h2>"
                         "<p>A word game for up to six players: make as many words as you can from your "
                         "tiles before the clock runs out, and be the first to reach the winning score.</p>");
}

QString connectingPage()
{
    return kStyle
        + QStringLiteral(""
                         "<p><b>Solo games.</b> Started from the desktop menu, Zirky opens a solo game: press the "
                         "Start Game button to begin. A solo game needs no internet connection, but it still plays "
                         "over the network on your own computer, so your firewall must let Zirky use the network.</p>"
                         "<p><b>Hosting a game.</b> Choose <b>File &gt; Host Game\u2026</b>, type the name the others "
                         "will see and the port (7772 unless you have a reason for another), and press Enter. Your "
                         "copy of Zirky becomes the game's host and seats you first; you start the games. "
                         "<b>Options &gt; Refuse Offensive Words When Hosting</b> makes your game refuse offensive "
                         "words for everyone.</p>"
                         "<p><b>Telling the others where to join.</b> While you host, <b>View &gt; Where to "
                         "Join</b> lists your computer's addresses and its name, each with the port, and "
                         "<b>File &gt; Copy Invite Link</b> puts a link such as <tt>zirky://192.168.1.20:7772</tt> "
                         "on the clipboard to paste into a chat or a mail. Clicking such a link opens Zirky's Join "
                         "dialog, filled in. If you leave while others are seated at your game, Zirky asks first: "
                         "leaving ends the game for them.</p>"
                         "<p><b>Joining a game.</b> Choose <b>File &gt; Join Game\u2026</b> and type where the game "
                         "is: a computer's name (<tt>box</tt>, <tt>box:7772</tt>), an IPv4 address "
                         "(<tt>192.168.1.20</tt>), an IPv6 address (<tt>::1</tt>, or <tt>[::1]:7772</tt> with a "
                         "port) or an invite link, then your name, and press Enter. The dialog also lists the games "
                         "you joined before and the games found on your local network, with their host's name, the "
                         "players seated out of six, whether a game is running and the game's version: double-click "
                         "one to join it. If a game cannot be joined, the dialog says why and stays open.</p>"
                         "<p><b>Games on your network</b> are found through the avahi service of your system "
                         "(DNS-SD). When avahi is not running the list says so; typing the address still works. A "
                         "dedicated host started with <tt>--no-announce</tt> is not listed.</p>"
                         "<p><b>A lost connection.</b> When your connection drops during a game, the host keeps your "
                         "seat, your score and your words for two minutes, and your window reconnects by itself and "
                         "takes the seat back. Nobody else can take a held seat, whatever name they use.</p>"
                         "<p><b>Behind a home router.</b> Players on your own network join at the addresses Where "
                         "to Join shows. For players elsewhere on the internet, your router must forward TCP port "
                         "7772 (or the port you chose) to your computer, and your firewall must accept incoming "
                         "connections on it; they then join at your router's public address. If you cannot change "
                         "the router, run a dedicated host on a computer the internet can reach.</p>"
                         "<p><b>A dedicated host.</b> The program <b>zirky-host</b> runs a game host without a window "
                         "and without a player of its own, for example on a server that is always on "
                         "(<tt>zirky-host --port 7772</tt>). The first player to connect starts the games; when "
                         "that player leaves, the player seated longest after them does.</p>"
                         "<p>If the copy that hosts the game closes, the game ends for everyone at it.</p>");
}

QString gamePlayPage()
{
    return kStyle
        + QStringLiteral(
            ""
            "<p>On your turn you get a rack of tiles. Click tiles to spell a word of three to ten letters and "
            "press <b>Done</b> to submit it. A right click shuffles the tiles.</p>"
            "<p>The singular and the plural of one word cannot both be played, with a few exceptions.</p>"
            "<p>Each word length is a category that holds at most five words a turn. More words in a "
            "category score more, and filling neighbouring categories earns extra points.</p>"
            "<p><b>Zirked.</b> Once your score reaches the host's \"Zirked At\" score you are Zirked: you "
            "get 3 extra tiles, but a turn worth less than 500 points costs you 500 points, and three-letter "
            "words are no longer allowed.</p>"
            "<p><b>New tiles.</b> If the host allows it, you may buy new tiles once a turn for 300 points.</p>"
            "<p><b>Typing.</b> If the host allows it, you may type your words. Keys: <b>1</b> clears the "
            "word, <b>6</b> shuffles, <b>0</b> buys new tiles.</p>");
}

QString scoringPage()
{
    QString html = kStyle
        + QStringLiteral("<p>Points for a category, by the number of words in it:</p>"
                         "<table cellspacing=\"0\" border=\"1\"><tr><th>Letters</th>");
    // The host's own table, so the page can never promise other points than the game gives.
    for (int words = 1; words <= rules::kWordsPerLength; ++words)
        html += QStringLiteral("<th>%1 word%2</th>").arg(words).arg(words == 1 ? "" : "s");
    html += QStringLiteral("</tr>");
    for (int length = rules::kMinWordLength; length <= rules::kMaxWordLength; ++length) {
        html += QStringLiteral("<tr><th>%1</th>").arg(length);
        for (int words = 1; words <= rules::kWordsPerLength; ++words)
            html += QStringLiteral("<td>%1</td>").arg(rules::rowPoints(length, words));
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table><p>Extra points for filling both categories of a pair with five words each:</p>"
                           "<table cellspacing=\"0\" border=\"1\"><tr><th>Categories</th><th>Extra</th></tr>");
    for (int length = rules::kMinWordLength; length < rules::kMaxWordLength; ++length)
        if (const int bonus = rules::adjacencyBonus(length); bonus > 0)
            html += QStringLiteral("<tr><th>%1 and %2 letters</th><td>%3</td></tr>")
                        .arg(length)
                        .arg(length + 1)
                        .arg(bonus);
    html += QStringLiteral("</table><p>The host keeps the score; this page is a guide.</p>");
    return html;
}

QString documentationPage()
{
    return kStyle
        + QStringLiteral("<h2>History</h2>"
                         "<p><b>%1</b> &mdash; runs on Linux and other POSIX desktops and installs from the "
                         "desktop's menu; every game, solo or with others, plays over TCP port 7772; the dedicated "
                         "host <b>zirky-host</b> runs a game without a window; player names may use any language; "
                         "the lobby installer downloads in the background and only a complete download is run.</p>"
                         "<p>Both programs have manual pages: <tt>man zirky</tt> and <tt>man zirky-host</tt>.</p>")
              .arg(QString::fromLatin1(rules::kVersion.data(), qsizetype(rules::kVersion.size())));
}

QString licensePage()
{
    return kStyle
        + QStringLiteral(""
                         "<p>Zirky is free to play and to share with your friends. It comes with no "
                         "warranty of any kind: you use it at your own risk.</p>"
                         "<h3>Word list</h3>"
                         "<p>The built-in word list is made from SCOWL (Spell Checker Oriented Word Lists), "
                         "Copyright 2000-2011 by Kevin Atkinson:</p>"
                         "<p><i>Permission to use, copy, modify, distribute and sell these word lists, the "
                         "associated scripts, the output created from the scripts, and its documentation for "
                         "any purpose is hereby granted without fee, provided that the above copyright notice "
                         "appears in all copies and that both that copyright notice and this permission notice "
                         "appear in supporting documentation. Kevin Atkinson makes no representations about the "
                         "suitability of this array for any purpose. It is provided \"as is\" without express "
                         "or implied warranty.</i></p>");
}

QString lobbyPage()
{
    return kStyle
        + QStringLiteral(""
                         "<p>The Dravik Lobby is where players meet: it lists the games waiting for players, "
                         "lets you chat before a game and starts Zirky for you as host or guest. Without the "
                         "lobby, Zirky starts a solo game.</p>"
                         "<p>In a solo game Zirky offers to download and install the lobby from %1. "
                         "<b>Play with Others</b> closes the game and starts the lobby when it is installed "
                         "(the program <tt>dravik-lobby</tt>).</p>")
              .arg(makerSiteUrl().toString().toHtmlEscaped());
}

} // namespace

HelpWindow::HelpWindow(const QPixmap& background, QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("helpform"));
    setWindowTitle(QStringLiteral("Zirky - Help File"));
    applyBackground(this, background);

    m_sideBar = new QWidget(this);
    m_sideBar->setObjectName(QStringLiteral("panel_side"));
    auto* side = new QVBoxLayout(m_sideBar);
    side->setContentsMargins(0, 0, 0, 0);
    side->setSpacing(4);

    m_caption = new QLabel(this);
    m_caption->setObjectName(QStringLiteral("label_caption"));
    QFont captionFont = m_caption->font();
    captionFont.setPointSizeF(captionFont.pointSizeF() * 1.4);
    captionFont.setBold(true);
    m_caption->setFont(captionFont);

    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("pages"));

    addPage(1, QStringLiteral("Overview"), overviewPage());
    addPage(2, QStringLiteral("Connecting"), connectingPage());
    addPage(3, QStringLiteral("Game Play"), gamePlayPage());
    addPage(4, QStringLiteral("Scoring"), scoringPage());
    addPage(5, QStringLiteral("Documentation"), documentationPage());
    addPage(6, QStringLiteral("License"), licensePage());
    addPage(11, QStringLiteral("The Lobby"), lobbyPage());

    auto* about = new QPushButton(QStringLiteral("About"), m_sideBar);
    about->setObjectName(QStringLiteral("SelButton10"));
    about->setProperty("tag", 10);
    connect(about, &QPushButton::clicked, this, [this] {
        if (onAbout)
            onAbout();
    });
    side->addWidget(about);

    auto* done = new QPushButton(QStringLiteral("Done"), m_sideBar);
    done->setObjectName(QStringLiteral("button_done"));
    connect(done, &QPushButton::clicked, this, &QWidget::hide);
    side->addWidget(done);
    side->addStretch();

    auto* credits = new QLabel(QStringLiteral("Zirky %1\nby the Zirky developers")
                                   .arg(QString::fromLatin1(rules::kVersion.data(), qsizetype(rules::kVersion.size()))),
        m_sideBar);
    credits->setObjectName(QStringLiteral("label_credits"));
    side->addWidget(credits);
    auto* year = new QLabel(QString::number(QDate::currentDate().year()), m_sideBar);
    year->setObjectName(QStringLiteral("label_year"));
    side->addWidget(year);

    auto* right = new QVBoxLayout;
    right->addWidget(m_caption);
    right->addWidget(m_pages, 1);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    layout->addWidget(m_sideBar);
    layout->addLayout(right, 1);
    resize(700, 480);

    showPage(1);
}

void HelpWindow::addPage(int tag, const QString& caption, const QString& html)
{
    auto* button = new QPushButton(caption, m_sideBar);
    button->setObjectName(QStringLiteral("SelButton%1").arg(tag));
    button->setProperty("tag", tag);
    button->setCheckable(true);
    button->setAutoExclusive(true);
    connect(button, &QPushButton::clicked, this, [this, tag] { showPage(tag); });
    static_cast<QVBoxLayout*>(m_sideBar->layout())->addWidget(button);

    auto* memo = new QTextBrowser(m_pages);
    memo->setObjectName(QStringLiteral("memo%1").arg(tag));
    memo->setOpenExternalLinks(false);
    memo->setHtml(html);
    m_pages->addWidget(memo);
    m_memos[tag] = memo;
    m_captions[tag] = caption;
}

void HelpWindow::showPage(int tag)
{
    const auto memo = m_memos.find(tag);
    if (memo == m_memos.end())
        return;
    m_pages->setCurrentWidget(memo->second);
    m_caption->setText(m_captions[tag]);
    if (auto* button = m_sideBar->findChild<QPushButton*>(QStringLiteral("SelButton%1").arg(tag)))
        button->setChecked(true);
}

int HelpWindow::currentPage() const
{
    for (const auto& [tag, memo] : m_memos)
        if (m_pages->currentWidget() == memo)
            return tag;
    return 0;
}
