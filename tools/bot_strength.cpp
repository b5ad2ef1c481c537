// The strength table of the computer players: one headless fast game through a
// real host on loopback, a computer of each level playing the same racks, and
// the planner's best turn on each of those racks for comparison. The host's
// clock and the computers run faster than real time (--speed); the game time
// they see is the real game's.
//
//   bot_strength [--turns N] [--speed S] [--seconds T]

#include <bots/ComputerSeats.h>
#include <dict/TDictn.h>
#include <host/HostServer.h>
#include <net/Commands.h>
#include <net/Fields.h>
#include <net/Framing.h>
#include <net/TSock.h>
#include <rules/Version.h>
#include <solver/TurnPlanner.h>
#include <solver/WordFinder.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <array>
#include <cstdio>
#include <map>
#include <set>

namespace
{

struct Tally {
    long points = 0; // category points and bonuses, less tiles bought
    long words = 0;
    int buys = 0;
    int turns = 0;
    // Turns it played the dealt rack, what it made of them, and the best there was.
    int kept = 0;
    long keptPoints = 0;
    long keptBest = 0;
};

// Seat 1: starts the game, votes to finish every turn at once, and reads the
// rack and every seat's result. A fast game deals everyone the same letters.
class Referee
{
public:
    Referee(int turns, int seconds)
        : m_turns(turns)
        , m_seconds(seconds)
    {
        m_sock.OnRead = [this](TSock*, int) { read(); };
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
        o.fast = true;
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
    void send(const std::string& m) { m_sock.Send(QByteArray(m.data(), static_cast<qsizetype>(m.size()))); }
    void read()
    {
        std::vector<std::string> lines;
        const QByteArray bytes = m_sock.Receive();
        m_framer.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), lines);
        for (const auto& line : lines)
            handle(line);
    }
    void handle(const std::string& line)
    {
        const auto split = net::splitCommand(line);
        const auto f = net::splitFields(split.rest);
        const auto number = [&](std::size_t i) { return i < f.size() ? net::parseInt(f[i]).value_or(0) : 0; };
        if (split.command == net::cmd::sendlogininfo) {
            send(net::msg::logininfo(number(0), rules::kVersion, "Referee"));
        } else if (split.command == net::cmd::newplayerinfo || split.command == net::cmd::existingplayers) {
            if (number(0) != 1 && f.size() > 1)
                names[number(0)] = std::string(f[1]);
        } else if (split.command == net::cmd::nextplayer) {
            m_bought.clear();
            send(net::msg::finish(1));
        } else if (split.command == net::cmd::thedice && f.size() >= 12 && f[1] == net::kDiceTen) {
            std::string rack;
            for (std::size_t i = 2; i < 12; ++i)
                rack += f[i].empty() ? '*' : f[i][0];
            const auto plan = solver::planTurn(solver::WordFinder::builtIn().find(rack));
            m_best = plan.total();
            best += plan.total();
            if (qEnvironmentVariableIsSet("BOT_STRENGTH_TRACE"))
                std::fprintf(stderr, "rack %s best %d\n", rack.c_str(), plan.total());
            bestWords += static_cast<long>(plan.words.size());
            ++racks;
        } else if (split.command == net::cmd::newtiles) {
            tallies[number(0)].points -= 300;
            m_bought.insert(number(0));
            ++tallies[number(0)].buys;
        } else if (split.command == net::cmd::scores && number(0) != 1) {
            Tally& t = tallies[number(0)];
            if (qEnvironmentVariableIsSet("BOT_STRENGTH_TRACE"))
                std::fprintf(stderr, "  seat %d: %d + %d, %d words\n", number(0), number(1), number(2), number(3));
            t.points += number(1) + number(2);
            t.words += number(3);
            ++t.turns;
            if (!m_bought.count(number(0))) {
                ++t.kept;
                t.keptPoints += number(1) + number(2);
                t.keptBest += m_best;
            }
        } else if (split.command == net::cmd::turnend) {
            if (racks % 20 == 0)
                std::fprintf(stderr, "%d turns\n", racks);
            if (racks >= m_turns)
                QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
    }

    TSock m_sock;
    net::Framer m_framer;
    std::set<int> m_bought; // seats that bought new tiles this turn
    int m_best = 0; // the planner's best for this turn's dealt rack
    int m_turns;
    int m_seconds;
};

int argument(const QStringList& args, const QString& name, int fallback)
{
    const int i = static_cast<int>(args.indexOf(name));
    return i >= 0 && i + 1 < args.size() ? args[i + 1].toInt() : fallback;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int turns = std::max(1, argument(args, "--turns", 200));
    const int speed = std::max(1, argument(args, "--speed", 50));
    const int seconds = std::max(5, argument(args, "--seconds", 60));

    QTemporaryDir dir;
    dict::TDictn words(dir.path().toStdString());
    HostServer server(0, [&](std::string_view w) { return words.Lookup(w); });
    server.setManualTurnClock(true);
    server.listener->setListen(true);
    QTimer clock;
    clock.setTimerType(Qt::PreciseTimer);
    QObject::connect(&clock, &QTimer::timeout, &server, &HostServer::onTurnClockTick);
    clock.start(1000 / speed);

    Referee referee(turns, seconds);
    referee.connectTo(server.port());
    bots::ComputerSeats party(QStringLiteral("127.0.0.1"), server.port(),
        { bots::Level::Easy, bots::Level::Medium, bots::Level::Hard, bots::Level::Expert });
    party.setTimeScale(speed);
    QObject::connect(&party, &bots::ComputerSeats::allSeated, [&] { referee.start(); });
    QTimer::singleShot(200, [&] { party.seatAll(); });
    app.exec();

    std::printf("%d turns of %d s, fast game, 10 tiles, new tiles allowed; time sped up %dx\n\n", referee.racks,
        seconds, speed);
    std::printf("| Player | Turns | Points per turn | Words per turn | Tiles bought | Turns on the dealt rack: "
                "points per turn / best possible on them |\n|---|---|---|---|---|---|\n");
    for (const auto& [seat, t] : referee.tallies) {
        if (t.turns == 0)
            continue;
        std::printf("| %s | %d | %.0f | %.1f | %d | %d: %.0f / %.0f |\n", referee.names[seat].c_str(), t.turns,
            static_cast<double>(t.points) / t.turns, static_cast<double>(t.words) / t.turns, t.buys, t.kept,
            t.kept ? static_cast<double>(t.keptPoints) / t.kept : 0.0,
            t.kept ? static_cast<double>(t.keptBest) / t.kept : 0.0);
    }
    if (referee.racks > 0)
        std::printf("| Best possible (planner, the dealt racks) | %d | %.0f | %.1f | 0 | |\n", referee.racks,
            static_cast<double>(referee.best) / referee.racks, static_cast<double>(referee.bestWords) / referee.racks);
    return 0;
}
