// zirky-host: the game host alone, without a window and without a client of its own.

#include "app/QuitSignals.h"
#include "bots/ComputerSeats.h"
#include "host/HostServer.h"
#include "net/Commands.h"
#include "rules/Seats.h"
#include "rules/Version.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <optional>
#include <vector>

namespace
{

const char* const kUsage = R"(Usage: zirky-host [--port N] [--bots LEVEL[,LEVEL...]]

Runs a Zirky game host without a window and without a player of its own.
Players connect with the game program's join option to this machine.

  --port N   TCP port to listen on (default 7772; 0 lets the system pick one,
             the log then names it)
  --bots LEVEL[,LEVEL...]
             computer players to seat, in the order given, as soon as the
             first person has logged in (so that person keeps seat 1); each
             LEVEL is easy, medium, hard or expert, at most five of them
             (for example --bots easy,hard). They leave when no person is
             left in seats 1 to 6 and come back for the next person.
  --help     show this text

The first connection takes seat 1 and with it the host's rights: it starts
games and may remove players. Seats 1 to 6 play, 7 to 9 watch; a tenth
connection is turned away. When no playing seat is connected any more, a
running game ends.

The log goes to stderr, one timestamped line per connection, login, game
start, turn and winner. The word list "English" is read from the working
directory. SIGINT or SIGTERM ends the host cleanly (exit code 0).

Exit codes: 0 after a signal, 1 when the port cannot be opened (for example
"port 7772 is in use"), 2 for a bad command line.
)";

// The log is written in blocks: a flush per line made a flood of lines cost a
// write each. What is buffered goes out within a second, and at exit.
char g_logBuffer[64 * 1024];
bool g_flushPending = false;

void printLine(const QString& line)
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    std::fprintf(stderr, "%s %s\n", qPrintable(stamp), line.toUtf8().constData());
    if (g_flushPending || !QCoreApplication::instance())
        return;
    g_flushPending = true;
    // Only while there is something to write: an idle host must not wake up for it.
    QTimer::singleShot(1000, QCoreApplication::instance(), [] {
        g_flushPending = false;
        std::fflush(stderr);
    });
}

// Decimal 0..65535 and nothing else.
std::optional<quint16> parsePort(const QString& text)
{
    if (text.isEmpty() || text.size() > 5)
        return std::nullopt;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    const int value = text.toInt();
    if (value > 65535)
        return std::nullopt;
    return static_cast<quint16>(value);
}

// "easy,hard" -> the levels in order; nothing for an unknown level or too many.
std::optional<std::vector<bots::Level>> parseBots(const QString& text, QString& why)
{
    std::vector<bots::Level> levels;
    for (const QString& part : text.split(QLatin1Char(','))) {
        const auto level = bots::parseLevel(part.trimmed().toStdString());
        if (!level) {
            why = QStringLiteral("bad computer level '%1' (easy, medium, hard or expert)").arg(part);
            return std::nullopt;
        }
        levels.push_back(*level);
    }
    // Seat 1 is the first person's; the computers fit in the other playing seats.
    if (static_cast<int>(levels.size()) > rules::kPlayerSeats - 1) {
        why = QStringLiteral("at most %1 computer players").arg(rules::kPlayerSeats - 1);
        return std::nullopt;
    }
    return levels;
}

int usageError(const QString& why)
{
    std::fprintf(stderr, "zirky-host: %s\nTry 'zirky-host --help'.\n", qPrintable(why));
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    std::setvbuf(stderr, g_logBuffer, _IOFBF, sizeof g_logBuffer);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zirky-host"));
    QCoreApplication::setApplicationVersion(
        QString::fromLatin1(rules::kVersion.data(), static_cast<int>(rules::kVersion.size())));

    quint16 port = static_cast<quint16>(rules::kGamePort);
    std::vector<bots::Level> computers;
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        QString value;
        if (arg == QLatin1String("--bots") || arg.startsWith(QLatin1String("--bots="))) {
            if (arg == QLatin1String("--bots") && i + 1 >= args.size())
                return usageError(QStringLiteral("--bots needs a list of levels"));
            QString why;
            const auto levels = parseBots(arg == QLatin1String("--bots") ? args[++i] : arg.mid(7), why);
            if (!levels)
                return usageError(why);
            computers = *levels;
            continue;
        }
        if (arg == QLatin1String("--port")) {
            if (i + 1 >= args.size())
                return usageError(QStringLiteral("--port needs a number"));
            value = args[++i];
        } else if (arg.startsWith(QLatin1String("--port="))) {
            value = arg.mid(7);
        } else {
            return usageError(QStringLiteral("unknown argument '%1'").arg(arg));
        }
        const auto parsed = parsePort(value);
        if (!parsed)
            return usageError(QStringLiteral("bad port '%1' (a number from 0 to 65535)").arg(value));
        port = *parsed;
    }

    QuitSignals quitSignals;
    if (!quitSignals.installed()) {
        std::fprintf(stderr, "zirky-host: cannot install signal handlers\n");
        return 1;
    }

    HostServer server(port);
    QObject::connect(&server, &HostServer::logLine, &server, printLine);
    try {
        server.listener->setListen(true);
    } catch (const ESockException& e) {
        std::fprintf(stderr, "zirky-host: port %u is in use (%s)\n", unsigned(port), e.what());
        return 1;
    }
    if (!server.listener->Listen()) {
        std::fprintf(stderr, "zirky-host: port %u is in use\n", unsigned(port));
        return 1;
    }

    const QString dictError = server.dictionaryError();
    if (!dictError.isEmpty())
        printLine(QStringLiteral("%1 Every word will be rejected.").arg(dictError));
    printLine(QStringLiteral("zirky-host %1 listening on port %2")
                  .arg(QCoreApplication::applicationVersion())
                  .arg(server.port()));
    std::fflush(stderr); // whoever started the host waits for the port

    // The computers come when a person arrives to an empty room, after that
    // person; they leave with the last person and come again for the next one.
    // Only the arrival counts, so that a computer that found no playing seat and
    // left is not sent straight back.
    bots::ComputerSeats party(QStringLiteral("127.0.0.1"), server.port(), computers);
    QObject::connect(&party, &bots::ComputerSeats::logLine, &party, printLine);
    bool hadPerson = false;
    bool seatWhenGone = false; // a person came while the last party was still leaving
    QObject::connect(&server, &HostServer::logLine, &party, [&] {
        bool person = false;
        for (int seat = 1; seat <= rules::kPlayerSeats && !person; ++seat) {
            const host::Player& p = server.game().player(seat);
            person = p.connected && p.loggedIn && !bots::isComputerName(p.name);
        }
        if (person && (!hadPerson || seatWhenGone)) {
            seatWhenGone = party.active();
            party.seatAll();
        }
        hadPerson = person;
    });

    QObject::connect(&quitSignals, &QuitSignals::quitRequested, &app, [] {
        printLine(QStringLiteral("signal received, shutting down"));
        QCoreApplication::quit();
    });

    const int code = app.exec();
    printLine(QStringLiteral("stopped"));
    std::fflush(stderr);
    return code;
}
