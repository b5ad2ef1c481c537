#include "DownloadWindow.h"

#include "Background.h"
#include "MakerSite.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace
{

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setMinimumHeight(30);
    return button;
}

QLabel* makeInfo(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setProperty("tag", 0);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

const QString kAborted = QStringLiteral("Download Aborted");

} // namespace

const QStringList& DownloadWindow::installerArguments()
{
    static const QStringList arguments { QStringLiteral("/SP-"), QStringLiteral("/silent"),
        QStringLiteral("/noicons") };
    return arguments;
}

DownloadWindow::DownloadWindow(const QPixmap& background, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_url(lobbyInstallerUrl())
    , m_folder(QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).filePath("downloads"))
{
    setObjectName(QStringLiteral("downloadform"));
    setWindowTitle(QStringLiteral("Download The Dravik Lobby"));
    applyBackground(this, background);

    showMessage = [this](const QString& text) { QMessageBox::information(this, windowTitle(), text); };
    startProgram = [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
    };
    findLobby = [] { return installedLobbyProgram(); };

    auto* intro = new QLabel(QStringLiteral("You are playing a solo game.\n"
                                            "To play with others, host a game or join one with Play with Others."),
        this);
    intro->setObjectName(QStringLiteral("label_intro"));
    intro->setAlignment(Qt::AlignCenter);
    intro->setWordWrap(true);

    m_downloadButton = makeButton(this, "getbutton", QStringLiteral("Download And Install The Dravik Lobby Now"));
    m_stopButton = makeButton(this, "abortbutton", QStringLiteral("Stop Download"));
    m_stopButton->setEnabled(false);
    m_infolabel = makeInfo(this, "infolabel");
    m_infolabel2 = makeInfo(this, "infolabel2");
    m_infolabel3 = makeInfo(this, "infolabel3");
    m_soloButton = makeButton(this, "Button1", QStringLiteral("Play Solo Game"));
    m_othersButton = makeButton(this, "Button2", QStringLiteral("Play with Others"));
    connect(m_downloadButton, &QPushButton::clicked, this, &DownloadWindow::onDownloadClicked);
    connect(m_stopButton, &QPushButton::clicked, this, &DownloadWindow::onStopClicked);
    connect(m_soloButton, &QPushButton::clicked, this, &DownloadWindow::onSoloClicked);
    connect(m_othersButton, &QPushButton::clicked, this, &DownloadWindow::onWithOthersClicked);
    m_othersMenu = new QMenu(this);
    m_othersMenu->setObjectName(QStringLiteral("popup_others"));

    connect(&m_download, &LobbyDownload::headerReceived, this,
        [this] { m_infolabel->setText(m_infolabel->text() + QLatin1Char('.')); });
    connect(&m_download, &LobbyDownload::documentStarted, this,
        [this] { m_infolabel3->setText(QStringLiteral("Downloading: ") + m_download.fileName()); });
    connect(&m_download, &LobbyDownload::progress, this,
        [this](qint64 bytes) { m_infolabel->setText(QString::number(bytes) + QStringLiteral(" bytes")); });
    connect(&m_download, &LobbyDownload::finished, this, &DownloadWindow::downloadFinished);

    auto* downloadRow = new QHBoxLayout;
    downloadRow->addWidget(m_downloadButton, 1);
    downloadRow->addWidget(m_stopButton);
    auto* playRow = new QHBoxLayout;
    playRow->addWidget(m_soloButton);
    playRow->addWidget(m_othersButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(10);
    layout->addWidget(intro);
    layout->addLayout(downloadRow);
    layout->addWidget(m_infolabel);
    layout->addWidget(m_infolabel2);
    layout->addWidget(m_infolabel3);
    layout->addLayout(playRow);
    resize(460, 260);
}

void DownloadWindow::setTag(int tag) { m_infolabel->setProperty("tag", tag); }

void DownloadWindow::onDownloadClicked()
{
    if (m_download.running())
        return;
    setTag(1);
    m_infolabel3->clear();
    if (!m_download.start(m_url, m_folder)) {
        m_infolabel2->setText(m_download.fileName());
        m_infolabel->setText(kAborted);
        setTag(2);
        m_infolabel3->setText(m_download.error());
        qWarning("lobby download not started: %s", qPrintable(m_download.error()));
        return;
    }
    m_infolabel2->setText(m_download.fileName());
    m_downloadButton->setEnabled(false);
    m_stopButton->setEnabled(true);
    m_infolabel->setText(QStringLiteral("Loading"));
}

void DownloadWindow::onStopClicked()
{
    if (!m_download.running())
        return;
    m_infolabel->setText(QStringLiteral("Download has been aborted."));
    setTag(2);
    m_infolabel3->setText(kAborted);
    m_download.abort();
}

void DownloadWindow::downloadFinished(LobbyDownload::Outcome outcome)
{
    switch (outcome) {
    case LobbyDownload::Outcome::Complete:
        m_infolabel->setText(QStringLiteral("Received %1 bytes").arg(QFileInfo(m_download.filePath()).size()));
        break;
    case LobbyDownload::Outcome::Aborted:
        break; // onStopClicked said so
    case LobbyDownload::Outcome::Failed:
        m_infolabel->setText(kAborted);
        setTag(2);
        m_infolabel3->setText(m_download.error());
        qWarning("lobby download failed: %s", qPrintable(m_download.error()));
        break;
    }
    m_downloadButton->setEnabled(true);
    m_stopButton->setEnabled(false);
    if (outcome != LobbyDownload::Outcome::Complete || m_infolabel->property("tag").toInt() == 2)
        return;

    m_infolabel->setText(QStringLiteral("Installing"));
    if (!startProgram || !startProgram(m_download.filePath(), installerArguments())) {
        showMessage(QStringLiteral("An Error has Occurred."));
        return;
    }
    if (onQuitGame)
        onQuitGame();
}

// The solo game is already running behind this window; it just goes on.
void DownloadWindow::onSoloClicked() { close(); }

void DownloadWindow::onWithOthersClicked()
{
    m_othersMenu->clear();
    const auto offer = [this](const QString& caption, const char* name, std::function<void()> chosen) {
        QAction* a = m_othersMenu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, std::move(chosen));
    };
    offer(QStringLiteral("Host Game\u2026"), "HostGame2", [this] {
        close();
        if (onHostGame)
            onHostGame();
    });
    offer(QStringLiteral("Join Game\u2026"), "JoinGame2", [this] {
        close();
        if (onJoinGame)
            onJoinGame();
    });
    // The lobby is one more way in, offered only where it is installed.
    const QString lobby = findLobby ? findLobby() : QString();
    if (!lobby.isEmpty())
        offer(QStringLiteral("Open the Dravik Lobby"), "OpenLobby1", [this, lobby] {
            if (!startProgram || !startProgram(lobby, {})) {
                showMessage(QStringLiteral("An Error has Occurred."));
                return;
            }
            if (onQuitGame)
                onQuitGame();
        });
    m_othersMenu->popup(m_othersButton->mapToGlobal(QPoint(0, m_othersButton->height())));
}

void DownloadWindow::hideEvent(QHideEvent* event)
{
    // A minimised window is still the player's; only a real close stops the download.
    if (!event->spontaneous())
        onStopClicked();
    QWidget::hideEvent(event);
}
