// The strength table of the computer players: headless games through a real
// host on loopback, a computer of each level at one table, and the planner's
// best turn on each dealt rack for comparison. A fast game deals every level
// the same rack each turn; a slow game deals each its own. The host's clock
// and the computers run faster than real time (--speed); every time shown is
// game time, as a person would see it.
//
//   bot_strength [--turns N] [--speed S] [--seconds T] [--slow | --fast]
//
// --turns counts dealt racks: in a slow game each computer's turn is one.

#include <bots/ComputerSeats.h>
#include <dict/TDictn.h>
#include <dict/WordList.h>
#include <host/HostServer.h>
#include <net/Commands.h>
#include <net/Fields.h>
#include <net/Framing.h>
#include <net/TSock.h>
#include <rules/Version.h>
#include <solver/TurnPlanner.h>
#include <solver/WordFinder.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

namespace
{

struct Tally {
    long points = 0; // category points and bonuses, less tiles bought
    long words = 0;
    long commonWords = 0; // of them, in Debian's common list
    int buys = 0;
    int turns = 0;
    double playingSeconds = 0; // from each deal to the player's last word, Finish or the turn's end
    std::vector<double> gaps; // seconds from the deal or the word before to each word
    // Turns it played the dealt rack, what it made of them, and the best there was.
    int kept = 0;
    long keptPoints = 0;
    long keptBest = 0;
};

// This turn of one seat, as the referee watches it.
struct Turn {
    double dealtAt = -1; // game seconds; -1 while the seat has no rack this turn
    double lastAt = 0; // the deal or the last word
    double endAt = -1; // Finish, once it came
};

// Seat 1: starts the game, finishes each of its own turns at once, and reads
// every rack, word and result.
class Referee
{
public:
    Referee(int turns, int seconds, bool fast, double speed)
        : m_turns(turns)
        , m_seconds(seconds)
        , m_fast(fast)
        , m_speed(speed)
    {
        m_sock.OnRead = [this](TSock*, int) { read(); };
        m_clock.start();
    }
    void connectTo(quint16 port)
    {
        m_sock.setHostName(QStringLiteral("127.0.0.1"));
        m_sock.setPortName(QString::number(port));
        m_sock.Open();
    }
    void start()
    {
        net::GameOptions o;
        o.fast = m_fast;
        o.timePerTurn = m_seconds;
        o.playToScore = 1000000000; // nobody wins: the table wants turns, not a winner
        o.zirkedAt = 1000000000;
        send(net::msg::startgame(1, o));
    }

    std::map<int, Tally> tallies;
    std::map<int, std::string> names;
    long best = 0;
    long bestWords = 0;
    int racks = 0;

private:
    double now() const { return static_cast<double>(m_clock.elapsed()) * m_speed / 1000.0; }
    void send(const std::string& m) { m_sock.Send(QByteArray(m.data(), static_cast<qsizetype>(m.size()))); }
    void read()
    {
        std::vector<std::string> lines;
        const QByteArray bytes = m_sock.Receive();
        m_framer.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), lines);
        for (const auto& line : lines)
            handle(line);
    }
    void word(int seat, std::string_view text)
    {
        Turn& turn = m_turn[seat];
        if (seat == 1 || turn.dealtAt < 0)
            return;
        Tally& t = tallies[seat];
        const double at = now();
        t.gaps.push_back(at - turn.lastAt);
        turn.lastAt = at;
        const auto mark = dict::builtInMarkOf(text);
        t.commonWords += mark && mark->rarity == dict::Rarity::Common ? 1 : 0;
    }
    // The seat's time in the turn that ends now.
    void turnOver(int seat)
    {
        Turn& turn = m_turn[seat];
        if (seat != 1 && turn.dealtAt >= 0) {
            const double end = turn.endAt >= 0 ? turn.endAt : now();
            tallies[seat].playingSeconds += std::max(turn.lastAt, end) - turn.dealtAt;
        }
        turn = Turn {};
    }
    void handle(const std::string& line)
    {
        const auto split = net::splitCommand(line);
        const auto f = net::splitFields(split.rest);
        const auto number = [&](std::size_t i) { return i < f.size() ? net::parseInt(f[i]).value_or(0) : 0; };
        const auto& c = split.command;
        if (c == net::cmd::sendlogininfo) {
            send(net::msg::logininfo(number(0), rules::kVersion, "Referee"));
        } else if (c == net::cmd::newplayerinfo || c == net::cmd::existingplayers) {
            if (number(0) != 1 && f.size() > 1)
                names[number(0)] = std::string(f[1]);
        } else if (c == net::cmd::nextplayer) {
            m_bought.clear();
            m_current = number(0);
            if (m_fast || m_current == 1)
                send(net::msg::finish(1));
        } else if (c == net::cmd::thedice && f.size() >= 12 && f[1] == net::kDiceTen) {
            std::string rack;
            for (std::size_t i = 2; i < 12; ++i)
                rack += f[i].empty() ? '*' : f[i][0];
            // A fast game deals everyone this rack; a slow one deals it to the seat on turn.
            for (int seat : m_fast ? std::vector<int> { 2, 3, 4, 5, 6 } : std::vector<int> { number(0) })
                m_turn[seat] = Turn { now(), now(), -1 };
            if (!m_fast && number(0) == 1)
                return;
            const auto plan = solver::planTurn(solver::WordFinder::builtIn().find(rack));
            m_best = plan.total();
            best += plan.total();
            bestWords += static_cast<long>(plan.words.size());
            ++racks;
        } else if (c == net::cmd::addaword && m_fast) {
            word(number(0), f.size() > 2 ? f[2] : "");
        } else if (c == net::cmd::accepted && !m_fast) {
            word(m_current, f.size() > 1 ? f[1] : "");
        } else if (c == net::cmd::ifinished) {
            m_turn[number(0)].endAt = now();
        } else if (c == net::cmd::newtiles) {
            tallies[number(0)].points -= 300;
            m_bought.insert(number(0));
            ++tallies[number(0)].buys;
        } else if (c == net::cmd::scores && number(0) != 1) {
            Tally& t = tallies[number(0)];
            t.points += number(1) + number(2);
            t.words += number(3);
            ++t.turns;
            if (!m_bought.count(number(0))) {
                ++t.kept;
                t.keptPoints += number(1) + number(2);
                t.keptBest += m_best;
            }
        } else if (c == net::cmd::turnend) {
            for (int seat = 2; seat <= 6; ++seat)
                turnOver(seat);
            if (racks % 20 == 0 && racks > 0)
                std::fprintf(stderr, "%d racks\n", racks);
            if (racks >= m_turns)
                QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
    }

    TSock m_sock;
    net::Framer m_framer;
    QElapsedTimer m_clock;
    std::set<int> m_bought; // seats that bought new tiles this turn
    std::map<int, Turn> m_turn;
    int m_current = 0; // the seat on turn in a slow game
    int m_best = 0; // the planner's best for this turn's dealt rack
    int m_turns;
    int m_seconds;
    bool m_fast;
    double m_speed;
};

int argument(const QStringList& args, const QString& name, int fallback)
{
    const int i = static_cast<int>(args.indexOf(name));
    return i >= 0 && i + 1 < args.size() ? args[i + 1].toInt() : fallback;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double fraction(std::vector<double> v, double below)
{
    if (v.empty())
        return 0;
    return static_cast<double>(std::count_if(v.begin(), v.end(), [&](double g) { return g < below; }))
        / static_cast<double>(v.size());
}

void play(bool fast, int turns, int speed, int seconds)
{
    QTemporaryDir dir;
    dict::TDictn words(dir.path().toStdString());
    HostServer server(0, [&](std::string_view w) { return words.Lookup(w); });
    server.setManualTurnClock(true);
    server.listener->setListen(true);
    QTimer clock;
    clock.setTimerType(Qt::PreciseTimer);
    QObject::connect(&clock, &QTimer::timeout, &server, &HostServer::onTurnClockTick);
    clock.start(1000 / speed);

    Referee referee(turns, seconds, fast, speed);
    referee.connectTo(server.port());
    bots::ComputerSeats party(QStringLiteral("127.0.0.1"), server.port(),
        { bots::Level::Easy, bots::Level::Medium, bots::Level::Hard, bots::Level::Expert });
    party.setTimeScale(speed);
    QObject::connect(&party, &bots::ComputerSeats::allSeated, [&] { referee.start(); });
    QTimer::singleShot(200, [&] { party.seatAll(); });
    QCoreApplication::exec();

    std::printf("\n%s game, %d racks, %d-second turns, 10 tiles, new tiles allowed; time sped up %dx\n\n",
        fast ? "Fast" : "Slow", referee.racks, seconds, speed);
    std::printf("| Player | Turns | Points per turn | Words per turn | Words per minute | Seconds between words "
                "(median) | Words under 1 s apart | Words in the common list | Tiles bought | Dealt racks: "
                "points / best possible |\n|---|---|---|---|---|---|---|---|---|---|\n");
    for (const auto& [seat, t] : referee.tallies) {
        if (t.turns == 0)
            continue;
        const double minutes = t.playingSeconds / 60.0;
        std::printf("| %s | %d | %.0f | %.1f | %.1f | %.1f | %.0f%% | %.0f%% | %d | %.0f / %.0f |\n",
            referee.names[seat].c_str(), t.turns, static_cast<double>(t.points) / t.turns,
            static_cast<double>(t.words) / t.turns, minutes > 0 ? static_cast<double>(t.gaps.size()) / minutes : 0.0,
            median(t.gaps), 100 * fraction(t.gaps, 1.0),
            t.gaps.empty() ? 0.0 : 100.0 * static_cast<double>(t.commonWords) / static_cast<double>(t.gaps.size()),
            t.buys, t.kept ? static_cast<double>(t.keptPoints) / t.kept : 0.0,
            t.kept ? static_cast<double>(t.keptBest) / t.kept : 0.0);
    }
    if (referee.racks > 0)
        std::printf("| Best possible (planner, every word of the list) | %d | %.0f | %.1f | | | | | 0 | |\n",
            referee.racks, static_cast<double>(referee.best) / referee.racks,
            static_cast<double>(referee.bestWords) / referee.racks);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int turns = std::max(1, argument(args, "--turns", 200));
    const int speed = std::max(1, argument(args, "--speed", 25));
    const int seconds = std::max(1, argument(args, "--seconds", 60));
    const bool slowOnly = args.contains("--slow");
    const bool fastOnly = args.contains("--fast");
    if (!fastOnly)
        play(false, turns, speed, seconds);
    if (!slowOnly)
        play(true, turns, speed, seconds);
    return 0;
}
