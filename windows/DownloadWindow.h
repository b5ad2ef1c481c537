#pragma once
// The window offered in a solo game: fetch and run the lobby installer, play
// alone, or play with others: host or join a game, or leave for the lobby
// program when it is installed.

#include "LobbyDownload.h"

#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <functional>

class QLabel;
class QMenu;
class QPushButton;

class DownloadWindow : public QWidget
{
    Q_OBJECT
public:
    explicit DownloadWindow(const QPixmap& background, QWidget* parent = nullptr);

    // The main window's "Exit": called after the installer or the lobby started.
    std::function<void()> onQuitGame;
    // "Play with Others" offers what File > Host Game... and Join Game... do.
    std::function<void()> onHostGame;
    std::function<void()> onJoinGame;
    // Shows a modal message; replaceable so tests need no one to click it away.
    std::function<void(const QString&)> showMessage;
    // Starts a program as a process of its own; replaceable for tests.
    std::function<bool(const QString& program, const QStringList& arguments)> startProgram;
    // Finds the installed lobby program (empty when none); replaceable for tests.
    std::function<QString()> findLobby;

    // Parameters the lobby installer runs with.
    static const QStringList& installerArguments();

    // Defaults: lobbyInstallerUrl(), and "downloads" in the user's cache folder.
    void setUrl(const QUrl& url) { m_url = url; }
    QUrl url() const { return m_url; }
    void setDownloadFolder(const QString& folder) { m_folder = folder; }
    QString downloadFolder() const { return m_folder; }
    bool downloading() const { return m_download.running(); }

    void onDownloadClicked();
    void onStopClicked();
    void onSoloClicked();
    // Offers hosting, joining and (when installed) the lobby, under the button.
    void onWithOthersClicked();
    QMenu* othersMenu() const { return m_othersMenu; }

protected:
    // Closing the window while a download runs stops it: nothing is run later
    // behind the player's back.
    void hideEvent(QHideEvent* event) override;

private:
    void downloadFinished(LobbyDownload::Outcome outcome);
    void setTag(int tag);

    LobbyDownload m_download;
    QUrl m_url;
    QString m_folder;
    QPushButton* m_downloadButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    QPushButton* m_soloButton = nullptr;
    QPushButton* m_othersButton = nullptr;
    QMenu* m_othersMenu = nullptr;
    QLabel* m_infolabel = nullptr;
    QLabel* m_infolabel2 = nullptr;
    QLabel* m_infolabel3 = nullptr;
};
