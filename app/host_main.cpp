// zirky-host: the game host alone, without a window and without a client of its own.

#include "app/HostAnnouncement.h"
#include "app/HostCommandLine.h"
#include "app/QuitSignals.h"
#include "bots/ComputerSeats.h"
#include "host/HostServer.h"
#include "net/Commands.h"
#include "net/Text.h"
#include "rules/Seats.h"
#include "rules/Version.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace
{

// The log is written in blocks: a flush per line made a flood of lines cost a
// write each. What is buffered goes out within a second, and at exit.
char g_logBuffer[64 * 1024];
bool g_flushPending = false;

void printLine(const QString& line)
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    // Every line may carry a name or a text from the network.
    std::fprintf(stderr, "%s %s\n", qPrintable(stamp), net::printable(line.toStdString()).c_str());
    if (g_flushPending || !QCoreApplication::instance())
        return;
    g_flushPending = true;
    // Only while there is something to write: an idle host must not wake up for it.
    QTimer::singleShot(1000, QCoreApplication::instance(), [] {
        g_flushPending = false;
        std::fflush(stderr);
    });
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

    std::vector<std::string> args;
    for (const QString& arg : QCoreApplication::arguments().mid(1))
        args.push_back(arg.toStdString());
    const app::HostCommandLine options = app::parseHostCommandLine(args);
    if (options.help) {
        std::fputs(app::hostUsageText().c_str(), stdout);
        return 0;
    }
    if (!options.error.empty())
        return usageError(QString::fromStdString(options.error));
    const quint16 port = static_cast<quint16>(options.port);
    const std::vector<bots::Level>& computers = options.computers;

    QuitSignals quitSignals;
    if (!quitSignals.installed()) {
        std::fprintf(stderr, "zirky-host: cannot install signal handlers\n");
        return 1;
    }

    HostServer server(port, QString::fromStdString(options.wordFile));
    server.setCleanWords(options.cleanWords);
    if (!options.wordFile.empty() && !server.dictionaryError().isEmpty()) {
        std::fprintf(
            stderr, "zirky-host: --words: %s\n", net::printable(server.dictionaryError().toStdString()).c_str());
        return 2;
    }
    {
        host::Options rules = server.game().options();
        rules.holdSeconds = options.holdSeconds;
        rules.dedicated = true;
        // A computer never starts a game, so it never leads one.
        rules.mayLead = [](std::string_view name) { return !bots::isComputerName(name); };
        server.game().setOptions(rules);
    }
    const bool announce = options.announce;
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
    if (const QString note = server.wordListNote(); !note.isEmpty())
        printLine(note);
    printLine(QStringLiteral("zirky-host %1 listening on port %2%3; a lost connection's seat is held %4 s%5")
                  .arg(QCoreApplication::applicationVersion())
                  .arg(server.port())
                  .arg(server.listener->listensOnIPv6() ? QStringLiteral(" (IPv4 and IPv6)") : QString())
                  .arg(options.holdSeconds)
                  .arg(announce ? QString() : QStringLiteral("; not announced on the local network")));
    if (options.cleanWords)
        printLine(QStringLiteral("offensive words are refused"));
    std::fflush(stderr); // whoever started the host waits for the port

    // On the local network as "Game on HOST", through the system's avahi daemon.
    std::unique_ptr<HostAnnouncement> announcement;
    if (announce) {
        announcement = std::make_unique<HostAnnouncement>(server, QString());
        const HostAnnouncement* a = announcement.get();
        const auto report = [a] {
            const QString text = a->statusText();
            if (!a->publishedName().isEmpty())
                printLine(QStringLiteral("announced on the local network as \"%1\"").arg(a->publishedName()));
            else if (!text.isEmpty() && !text.endsWith(QStringLiteral("\u2026")))
                printLine(text);
        };
        QObject::connect(a, &HostAnnouncement::statusChanged, &server, report);
        report();
    }

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
            // A person whose link dropped still holds the seat, and the computers stay.
            const host::Player& p = server.game().player(seat);
            person = p.loggedIn && !bots::isComputerName(p.name);
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
