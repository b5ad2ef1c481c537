// The game window's cost while a game runs: wake-ups of its thread per second
// when idle and while another player's turn runs (the clock plus the host's
// tile moves), and the time from "CMD_thedice" leaving the host to the rack
// painted on screen (one frame is 16 ms).
//
//   bench_client_play [seconds per phase, default 10] [rounds, default 200]
//
// The host's side is played by a plain blocking socket on its own thread, so
// only the window's thread is measured.

#include "client/MainWindow.h"
#include "net/Commands.h"
#include "net/Framing.h"

#include "Percentiles.h"
#include "ThreadWakeups.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

void sendAll(int fd, const std::string& bytes) { (void)::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL); }

// Times tile 10 (the last one of a normal deal) being painted after a deal was sent.
class PaintWatch : public QObject
{
public:
    std::atomic<long long> sentAt { 0 };
    std::atomic<bool> roundDone { false };
    std::vector<double> millis;
    int rounds = 0;
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() != QEvent::Paint || o->objectName() != "dice_10")
            return false;
        const long long sent = sentAt.exchange(0);
        if (sent == 0)
            return false;
        millis.push_back(static_cast<double>(Clock::now().time_since_epoch().count() - sent) / 1e6);
        roundDone = true;
        if (static_cast<int>(millis.size()) >= rounds)
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 200;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);

    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listener, 1);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    const quint16 port = ntohs(addr.sin_port);

    char dir[] = "/tmp/zirky-bench-XXXXXX";
    ::mkdtemp(dir);
    MainWindow::Options options;
    options.args = { "Ann", "127.0.0.1", "false" };
    options.hostPort = port;
    options.lobbyPort = 1; // nobody: the lobby link fails quietly
    options.settingsPath = std::string(dir) + "/draviklobby.ini";
    MainWindow chat(QPixmap(), options);
    PaintWatch watch;
    watch.rounds = rounds;
    app.installEventFilter(&watch);
    chat.show();

    const pid_t mainThread = ::getpid();
    std::atomic<int> phase { 0 }; // set by the window's thread: 1 idle measured, 2 turn measured

    std::thread host([&] {
        const int fd = ::accept(listener, nullptr, nullptr);
        net::GameOptions o;
        o.timePerTurn = 3600;
        sendAll(fd,
            net::msg::sendlogininfo(2) + net::msg::newplayerinfo(2, "Ann") + net::msg::existingplayers(1, "Bob")
                + net::msg::startgameRelay("Bob", o));
        while (phase.load() < 1)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        // Bob's turn: the clock runs and his tiles move every two seconds.
        sendAll(fd, net::msg::nextplayer(1) + net::msg::thedice(1, net::kDiceTen, std::vector<char>(10, 'E')));
        int spot = 0;
        while (phase.load() < 2) {
            std::this_thread::sleep_for(std::chrono::seconds(2));
            spot = spot % 10 + 1;
            sendAll(fd, spot == 10 ? net::msg::clearthemRelay() : net::msg::setdiceRelay(spot, spot));
        }
        for (int r = 0; r < rounds; ++r) {
            watch.roundDone = false;
            sendAll(fd, net::msg::nextplayer(r % 2 ? 1 : 2));
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            std::vector<char> letters(10);
            for (int i = 0; i < 10; ++i)
                letters[static_cast<std::size_t>(i)] = static_cast<char>('A' + (r + i) % 26);
            watch.sentAt = Clock::now().time_since_epoch().count();
            sendAll(fd, net::msg::thedice(r % 2 ? 1 : 2, net::kDiceTen, letters));
            while (!watch.roundDone.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ::close(fd);
    });

    // Let the login settle, then measure on the window's own thread.
    QTimer::singleShot(2000, [&] {
        const long idle0 = threadSwitches(mainThread);
        QTimer::singleShot(seconds * 1000, [&, idle0] {
            const double idle = static_cast<double>(threadSwitches(mainThread) - idle0) / seconds;
            std::printf("window idle, game started, no turn: %.2f wake-ups/s\n", idle);
            phase = 1;
            QTimer::singleShot(1000, [&] {
                const long turn0 = threadSwitches(mainThread);
                QTimer::singleShot(seconds * 1000, [&, turn0] {
                    const double turn = static_cast<double>(threadSwitches(mainThread) - turn0) / seconds;
                    std::printf("window while another player's turn runs: %.2f wake-ups/s\n", turn);
                    phase = 2;
                });
            });
        });
    });
    app.exec();
    host.join();
    if (watch.millis.empty()) {
        std::printf("no deal was painted\n");
        return 1;
    }
    const double worst = *std::max_element(watch.millis.begin(), watch.millis.end());
    const Stats p = percentiles(watch.millis);
    std::printf("CMD_thedice sent to rack painted, %zu deals: p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
        watch.millis.size(), p.p50, p.p99, worst);
    return 0;
}
