// The lobby installer download against a small HTTP server on the loopback
// address: what lands on disk, what runs, and what the window says.

#include "windows/Background.h"
#include "windows/DownloadWindow.h"
#include "windows/LobbyDownload.h"
#include "windows/MakerSite.h"
#include "tests/Sentinel.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <map>

namespace
{

// Answers each request with the reply its path names. A route may also keep
// the socket and answer later (or never).
class TestHttpServer : public QObject
{
    Q_OBJECT
public:
    using Route = std::function<void(QTcpSocket*)>;

    TestHttpServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
            }
        });
    }

    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }
    void route(const QByteArray& path, Route reply) { m_routes[path] = std::move(reply); }
    int requests() const { return m_requests; }

    static void answer(
        QTcpSocket* socket, const QByteArray& status, const QByteArray& body, const QByteArray& extraHeaders = {})
    {
        socket->write("HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(body.size())
            + "\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body);
        socket->disconnectFromHost();
    }

private:
    void readRequest(QTcpSocket* socket)
    {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        if (!buffer.contains("\r\n\r\n"))
            return;
        const QList<QByteArray> line = buffer.left(buffer.indexOf("\r\n")).split(' ');
        buffer.clear();
        ++m_requests;
        const auto found = m_routes.find(line.value(1));
        if (found == m_routes.end())
            answer(socket, "404 Not Found", "no such file");
        else
            found->second(socket);
    }

    QTcpServer m_server;
    std::map<QByteArray, Route> m_routes;
    std::map<QTcpSocket*, QByteArray> m_buffers;
    int m_requests = 0;
};

const QByteArray kScript = "#!/bin/sh\necho \"$@\" > \"$0.ran\"\n";

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestLobbyDownload : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void fileNameFromAddress_data();
    void fileNameFromAddress();
    void plainHttpOnlyFromThisComputer_data();
    void plainHttpOnlyFromThisComputer();
    void installerAddressCanBeOverridden();
    void downloadOutcomes_data();
    void downloadOutcomes();
    void failedSecondDownloadKeepsTheFirst();
    void tlsIsAvailable();

    void windowDownloadsAndRunsTheInstaller();
    void windowShowsProgressWhileDataArrives();
    void windowAbortBeforeAnyData();
    void windowServerClosesEarly();
    void windowInstallerThatCannotStart();
    void windowRefusesPlainHttpElsewhere();
    void windowClosedDuringDownloadStopsIt();
    void playWithOthers();

private:
    DownloadWindow* makeWindow();

    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DownloadWindow> m_window;
    QStringList m_messages;
    QList<QStringList> m_started; // program, then its arguments
    int m_quits = 0;
};

void TestLobbyDownload::init()
{
    m_window.reset();
    m_server = std::make_unique<TestHttpServer>();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_messages.clear();
    m_started.clear();
    m_quits = 0;
}

void TestLobbyDownload::fileNameFromAddress_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("name");
    const QString safe = downloadFileName(QUrl(QStringLiteral("https://h/")));
    QVERIFY(!safe.isEmpty() && !safe.contains(QLatin1Char('/')) && safe != QLatin1String(".."));
    QTest::newRow("last path segment") << "https://h/lobby/setup.run"
                                       << "setup.run";
    QTest::newRow("query is not part of the name") << "https://h/lobby/setup?x=/y"
                                                   << "setup";
    QTest::newRow("address ending in a slash") << "https://h/lobby/" << safe;
    QTest::newRow("no path at all") << "https://h" << safe;
    QTest::newRow("encoded dot dot") << "https://h/lobby/%2E%2E" << safe;
    QTest::newRow("encoded dot") << "https://h/lobby/%2E" << safe;
    QTest::newRow("encoded slash climbs out") << "https://h/lobby/..%2F..%2Fescape" << safe;
    QTest::newRow("backslash") << "https://h/lobby/a%5Cb" << safe;
    QTest::newRow("control character") << "https://h/lobby/a%0Ab" << safe;
    QTest::newRow("percent-encoded ordinary name") << "https://h/lobby/lobby%20setup"
                                                   << "lobby setup";
}

void TestLobbyDownload::fileNameFromAddress()
{
    QFETCH(QString, url);
    QFETCH(QString, name);
    QCOMPARE(downloadFileName(QUrl(url)), name);
}

void TestLobbyDownload::plainHttpOnlyFromThisComputer_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("https anywhere") << "https://lobby.example.org/lobby/x" << true;
    QTest::newRow("http on 127.0.0.1") << "http://127.0.0.1:8080/x" << true;
    QTest::newRow("http on another loopback address") << "http://127.1.2.3/x" << true;
    QTest::newRow("http on localhost") << "http://localhost/x" << true;
    QTest::newRow("http on ::1") << "http://[::1]/x" << true;
    QTest::newRow("http elsewhere") << "http://lobby.example.org/lobby/x" << false;
    QTest::newRow("http to a private address") << "http://192.168.1.2/x" << false;
    QTest::newRow("http to a name that looks local") << "http://127.0.0.1.example.org/x" << false;
    QTest::newRow("ftp") << "ftp://lobby.example.org/x" << false;
    QTest::newRow("a local file") << "file:///usr/bin/true" << false;
    QTest::newRow("not an address") << "" << false;
}

void TestLobbyDownload::plainHttpOnlyFromThisComputer()
{
    QFETCH(QString, url);
    QFETCH(bool, allowed);
    const QString why = refuseDownloadUrl(QUrl(url));
    QVERIFY2(why.isEmpty() == allowed, qPrintable(why));
}

void TestLobbyDownload::installerAddressCanBeOverridden()
{
    qunsetenv("ZIRKY_LOBBY_URL");
    const QUrl standard = lobbyInstallerUrl();
    QCOMPARE(standard.scheme(), QStringLiteral("https"));
    QCOMPARE(standard.host(), makerSiteUrl().host());
    QVERIFY2(standard.path().contains(QStringLiteral("/lobby/")), qPrintable(standard.toString()));
    qputenv("ZIRKY_LOBBY_URL", "http://127.0.0.1:9/mirror/setup");
    QCOMPARE(lobbyInstallerUrl(), QUrl(QStringLiteral("http://127.0.0.1:9/mirror/setup")));
    qputenv("ZIRKY_LOBBY_URL", "  ");
    QCOMPARE(lobbyInstallerUrl(), standard);
    qunsetenv("ZIRKY_LOBBY_URL");
}

void TestLobbyDownload::downloadOutcomes_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QByteArray>("saved"); // the complete file's bytes, or empty for no file

    const auto complete = int(LobbyDownload::Outcome::Complete);
    const auto failed = int(LobbyDownload::Outcome::Failed);
    QTest::newRow("complete file") << QByteArray("/lobby/setup.sh") << complete << kScript;
    QTest::newRow("without a length, up to the close")
        << QByteArray("/lobby/unsized") << complete << QByteArray("whole body");
    QTest::newRow("empty body is still whole") << QByteArray("/lobby/empty") << complete << QByteArray();
    QTest::newRow("server closes early") << QByteArray("/lobby/short") << failed << QByteArray();
    QTest::newRow("error page is not saved") << QByteArray("/lobby/missing") << failed << QByteArray();
    QTest::newRow("redirect to plain http refused") << QByteArray("/lobby/to-http") << failed << QByteArray();
    QTest::newRow("name climbing out stays inside")
        << QByteArray("/lobby/..%2F..%2Fescape") << complete << QByteArray("climber");
}

void TestLobbyDownload::downloadOutcomes()
{
    QFETCH(QByteArray, path);
    QFETCH(int, outcome);
    QFETCH(QByteArray, saved);

    TestHttpServer& server = *m_server;
    server.route("/lobby/setup.sh", [](QTcpSocket* s) { TestHttpServer::answer(s, "200 OK", kScript); });
    server.route("/lobby/unsized", [](QTcpSocket* s) {
        s->write("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nwhole body");
        s->disconnectFromHost();
    });
    server.route("/lobby/empty", [](QTcpSocket* s) { TestHttpServer::answer(s, "200 OK", {}); });
    server.route("/lobby/short", [](QTcpSocket* s) {
        s->write("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n" + QByteArray(100, 'x'));
        s->disconnectFromHost();
    });
    server.route("/lobby/to-http", [&server](QTcpSocket* s) {
        TestHttpServer::answer(s, "302 Found", {}, "Location: " + server.url("/lobby/setup.sh").toEncoded() + "\r\n");
    });
    server.route("/lobby/..%2F..%2Fescape", [](QTcpSocket* s) { TestHttpServer::answer(s, "200 OK", "climber"); });

    const QString folder = m_dir->filePath(QStringLiteral("a/b"));
    LobbyDownload download;
    QSignalSpy finished(&download, &LobbyDownload::finished);
    QVERIFY2(download.start(server.url(QString::fromLatin1(path)), folder), qPrintable(download.error()));
    QVERIFY(finished.wait(10000));
    QCOMPARE(int(finished.first().first().value<LobbyDownload::Outcome>()), outcome);
    QCOMPARE(download.error().isEmpty(), outcome == int(LobbyDownload::Outcome::Complete));

    const QStringList left = filesIn(folder);
    if (outcome == int(LobbyDownload::Outcome::Complete)) {
        QCOMPARE(left, QStringList { download.fileName() }); // no temporary file beside it
        QCOMPARE(download.filePath(), QDir(folder).filePath(download.fileName()));
        QCOMPARE(readAll(download.filePath()), saved);
        QVERIFY(QFileInfo(download.filePath()).isExecutable());
    } else {
        QVERIFY2(left.isEmpty(), qPrintable(left.join(", ")));
        QVERIFY(download.filePath().isEmpty());
    }
    // Nothing above the download folder.
    QCOMPARE(filesIn(m_dir->filePath(QStringLiteral("a"))), QStringList());
    QCOMPARE(filesIn(m_dir->path()), QStringList());
}

void TestLobbyDownload::failedSecondDownloadKeepsTheFirst()
{
    int served = 0;
    m_server->route("/lobby/setup", [&served](QTcpSocket* s) {
        if (++served == 1) {
            TestHttpServer::answer(s, "200 OK", "first");
        } else if (served == 2) {
            TestHttpServer::answer(s, "200 OK", "second");
        } else {
            s->write("HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nthird, cut");
            s->disconnectFromHost();
        }
    });
    LobbyDownload download;
    QSignalSpy finished(&download, &LobbyDownload::finished);
    const QString path = m_dir->filePath(QStringLiteral("setup"));
    const QByteArray expected[] = { "first", "second", "second" };
    for (const QByteArray& content : expected) {
        QVERIFY(download.start(m_server->url(QStringLiteral("/lobby/setup")), m_dir->path()));
        QVERIFY(finished.wait(10000));
        QCOMPARE(readAll(path), content);
        QCOMPARE(filesIn(m_dir->path()), QStringList { QStringLiteral("setup") });
    }
    QCOMPARE(finished.last().first().value<LobbyDownload::Outcome>(), LobbyDownload::Outcome::Failed);
}

void TestLobbyDownload::tlsIsAvailable()
{
    // The default address is HTTPS: without a TLS backend nobody could download.
    QVERIFY2(QSslSocket::supportsSsl(), qPrintable(QSslSocket::activeBackend()));
}

DownloadWindow* TestLobbyDownload::makeWindow()
{
    m_window = std::make_unique<DownloadWindow>(zirkyBackground());
    m_window->setDownloadFolder(m_dir->filePath(QStringLiteral("downloads")));
    m_window->showMessage = [this](const QString& text) { m_messages.append(text); };
    m_window->onQuitGame = [this] { ++m_quits; };
    m_window->show();
    return m_window.get();
}

static QString labelText(QWidget* w, const char* name) { return w->findChild<QLabel*>(name)->text(); }
static int labelTag(QWidget* w) { return w->findChild<QLabel*>("infolabel")->property("tag").toInt(); }
static QPushButton* button(QWidget* w, const char* name) { return w->findChild<QPushButton*>(name); }

void TestLobbyDownload::windowDownloadsAndRunsTheInstaller()
{
    m_server->route("/lobby/setup.sh", [](QTcpSocket* s) { TestHttpServer::answer(s, "200 OK", kScript); });
    DownloadWindow* w = makeWindow();
    w->setUrl(m_server->url(QStringLiteral("/lobby/setup.sh")));
    // The real thing: the installer runs as a process of its own.
    QTest::mouseClick(button(w, "getbutton"), Qt::LeftButton);
    QCOMPARE(labelText(w, "infolabel2"), QStringLiteral("setup.sh"));
    QVERIFY(!button(w, "getbutton")->isEnabled());
    QVERIFY(button(w, "abortbutton")->isEnabled());

    QTRY_COMPARE_WITH_TIMEOUT(labelText(w, "infolabel"), QStringLiteral("Installing"), 10000);
    QCOMPARE(labelText(w, "infolabel3"), QStringLiteral("Downloading: setup.sh"));
    QCOMPARE(labelTag(w), 1);
    QVERIFY(button(w, "getbutton")->isEnabled());
    QVERIFY(!button(w, "abortbutton")->isEnabled());
    QCOMPARE(m_quits, 1);
    QVERIFY(m_messages.isEmpty());
    const QString ran = m_dir->filePath(QStringLiteral("downloads/setup.sh.ran"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ran) && !readAll(ran).isEmpty(), 10000);
    QCOMPARE(readAll(ran), QByteArray("/SP- /silent /noicons\n"));
}

void TestLobbyDownload::windowShowsProgressWhileDataArrives()
{
    QPointer<QTcpSocket> held;
    m_server->route("/lobby/slow", [&held](QTcpSocket* s) {
        s->write(
            "HTTP/1.1 200 OK\r\nContent-Length: 1024\r\nConnection: close\r\nX-One: 1\r\n\r\n" + QByteArray(512, 'a'));
        held = s;
    });
    DownloadWindow* w = makeWindow();
    w->startProgram = [this](const QString& program, const QStringList& arguments) {
        m_started.append(QStringList { program } + arguments);
        return true;
    };
    w->setUrl(m_server->url(QStringLiteral("/lobby/slow")));
    QTest::mouseClick(button(w, "getbutton"), Qt::LeftButton);
    QCOMPARE(labelText(w, "infolabel"), QStringLiteral("Loading"));
    QTRY_COMPARE_WITH_TIMEOUT(labelText(w, "infolabel"), QStringLiteral("512 bytes"), 10000);
    QCOMPARE(labelText(w, "infolabel3"), QStringLiteral("Downloading: slow"));
    QVERIFY(m_started.isEmpty()); // half a file is never run
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("downloads/slow"))));

    QVERIFY(held);
    held->write(QByteArray(512, 'b'));
    held->disconnectFromHost();
    QTRY_COMPARE_WITH_TIMEOUT(m_started.size(), 1, 10000);
    const QString file = m_dir->filePath(QStringLiteral("downloads/slow"));
    QCOMPARE(m_started.first(), QStringList { file } + DownloadWindow::installerArguments());
    QCOMPARE(QFileInfo(file).size(), 1024);
    QCOMPARE(labelText(w, "infolabel"), QStringLiteral("Installing"));
}

void TestLobbyDownload::windowAbortBeforeAnyData()
{
    QPointer<QTcpSocket> stalled;
    m_server->route("/lobby/stall", [&stalled](QTcpSocket* s) { stalled = s; }); // never answers
    DownloadWindow* w = makeWindow();
    w->startProgram = [this](const QString& program, const QStringList&) {
        m_started.append({ program });
        return true;
    };
    w->setUrl(m_server->url(QStringLiteral("/lobby/stall")));
    QTest::mouseClick(button(w, "getbutton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requests(), 1, 10000);
    QTest::mouseClick(button(w, "abortbutton"), Qt::LeftButton);

    QTRY_VERIFY_WITH_TIMEOUT(!w->downloading(), 10000);
    QCOMPARE(labelText(w, "infolabel"), QStringLiteral("Download has been aborted."));
    QCOMPARE(labelText(w, "infolabel3"), QStringLiteral("Download Aborted"));
    QCOMPARE(labelTag(w), 2);
    QVERIFY(button(w, "getbutton")->isEnabled());
    QVERIFY(!button(w, "abortbutton")->isEnabled());
    // The window hung up, so nothing more can come of the request; whatever
    // was on its way before has been delivered.
    QTRY_VERIFY_WITH_TIMEOUT(!stalled || stalled->state() == QAbstractSocket::UnconnectedState, 10000);
    QVERIFY(sentinel::settled());
    QVERIFY(m_started.isEmpty());
    QCOMPARE(m_quits, 0);
    QCOMPARE(filesIn(w->downloadFolder()), QStringList());
}

void TestLobbyDownload::windowServerClosesEarly()
{
    m_server->route("/lobby/short", [](QTcpSocket* s) {
        s->write("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + QByteArray(10, 'x'));
        s->disconnectFromHost();
    });
    DownloadWindow* w = makeWindow();
    w->startProgram = [this](const QString& program, const QStringList&) {
        m_started.append({ program });
        return true;
    };
    w->setUrl(m_server->url(QStringLiteral("/lobby/short")));
    QTest::mouseClick(button(w, "getbutton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(labelText(w, "infolabel"), QStringLiteral("Download Aborted"), 10000);
    QCOMPARE(labelTag(w), 2);
    QVERIFY2(
        labelText(w, "infolabel3").contains(QStringLiteral("10 of 100 bytes")), qPrintable(labelText(w, "infolabel3")));
    QVERIFY(button(w, "getbutton")->isEnabled());
    QVERIFY(!button(w, "abortbutton")->isEnabled());
    QVERIFY(m_started.isEmpty());
    QCOMPARE(filesIn(w->downloadFolder()), QStringList());
}

void TestLobbyDownload::windowInstallerThatCannotStart()
{
    // Executable bits, but no program inside: the real start fails.
    m_server->route("/lobby/junk", [](QTcpSocket* s) { TestHttpServer::answer(s, "200 OK", "not a program"); });
    DownloadWindow* w = makeWindow();
    w->setUrl(m_server->url(QStringLiteral("/lobby/junk")));
    QTest::mouseClick(button(w, "getbutton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_messages, QStringList { QStringLiteral("An Error has Occurred.") }, 10000);
    QCOMPARE(m_quits, 0);
    QVERIFY(w->isVisible());
    QVERIFY(button(w, "getbutton")->isEnabled());
}

void TestLobbyDownload::windowRefusesPlainHttpElsewhere()
{
    DownloadWindow* w = makeWindow();
    w->setUrl(QUrl(QStringLiteral("http://192.0.2.1/lobby/setup")));
    QTest::mouseClick(button(w, "getbutton"), Qt::LeftButton);
    QCOMPARE(labelText(w, "infolabel"), QStringLiteral("Download Aborted"));
    QCOMPARE(labelTag(w), 2);
    QVERIFY2(labelText(w, "infolabel3").contains(QStringLiteral("plain HTTP")), qPrintable(labelText(w, "infolabel3")));
    QVERIFY(!w->downloading());
    QVERIFY(button(w, "getbutton")->isEnabled());
    QVERIFY(!QDir(w->downloadFolder()).exists() || filesIn(w->downloadFolder()).isEmpty());
}

void TestLobbyDownload::windowClosedDuringDownloadStopsIt()
{
    m_server->route("/lobby/stall", [](QTcpSocket*) {});
    DownloadWindow* w = makeWindow();
    w->setUrl(m_server->url(QStringLiteral("/lobby/stall")));
    QTest::mouseClick(button(w, "getbutton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requests(), 1, 10000);
    QTest::mouseClick(button(w, "Button1"), Qt::LeftButton); // "Play Solo Game"
    QVERIFY(w->isHidden());
    QTRY_VERIFY_WITH_TIMEOUT(!w->downloading(), 10000);
    QCOMPARE(labelTag(w), 2);
    QCOMPARE(filesIn(w->downloadFolder()), QStringList());
}

void TestLobbyDownload::playWithOthers()
{
    struct Row {
        const char* fault;
        QString lobby;
        const char* chosen;
        bool offered;
        bool starts;
        QString message;
        int quits;
        int hosts;
        int joins;
    };
    const QString lobby = QStringLiteral("/opt/lobby/dravik-lobby");
    const Row rows[] = {
        { "hosting was only possible through a lobby", QString(), "HostGame2", true, true, QString(), 0, 1, 0 },
        { "joining was only possible through a lobby", QString(), "JoinGame2", true, true, QString(), 0, 0, 1 },
        { "an installed lobby was not offered beside them", lobby, "OpenLobby1", true, true, QString(), 1, 0, 0 },
        { "a lobby that will not start ended the game", lobby, "OpenLobby1", true, false,
            QStringLiteral("An Error has Occurred."), 0, 0, 0 },
        { "a lobby that is not installed was offered", QString(), "OpenLobby1", false, true, QString(), 0, 0,
            0 },
    };
    for (const Row& row : rows) {
        init();
        DownloadWindow* w = makeWindow();
        w->show();
        int hosts = 0, joins = 0;
        w->onHostGame = [&hosts] { ++hosts; };
        w->onJoinGame = [&joins] { ++joins; };
        w->findLobby = [&row] { return row.lobby; };
        w->startProgram = [this, &row](const QString& program, const QStringList&) {
            m_started.append({ program });
            return row.starts;
        };
        QTest::mouseClick(button(w, "Button2"), Qt::LeftButton);
        QVERIFY2(w->othersMenu()->isVisible(), row.fault);
        QAction* chosen = w->othersMenu()->findChild<QAction*>(row.chosen);
        QVERIFY2((chosen != nullptr) == row.offered, row.fault);
        if (chosen)
            chosen->trigger();
        QCOMPARE(m_messages.value(0), row.message);
        QVERIFY2(m_quits == row.quits, row.fault);
        QVERIFY2(hosts == row.hosts && joins == row.joins, row.fault);
        QVERIFY2(m_started.size() == (chosen && !row.lobby.isEmpty() ? 1 : 0), row.fault);
        // Hosting or joining goes on in the main window: this one makes way.
        QVERIFY2(w->isVisible() == !(row.hosts || row.joins), row.fault);
        w->othersMenu()->hide();
    }
}

QTEST_MAIN(TestLobbyDownload)
#include "tst_lobbydownload.moc"
