#pragma once
// File > Join Game...: where the game is (typed, or picked from the games
// joined before and the games found on the local network) and the player's
// name. The main window connects when the fields read right; the dialog stays
// open, saying what happens, until the host has taken the player in, and shows
// why when it did not.

#include "app/GameAddress.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class QModelIndex;
class QPushButton;
class QTreeView;

namespace zeroconf
{
class Browser;
class GameListModel;
} // namespace zeroconf

class JoinGameDialog : public QDialog
{
    Q_OBJECT
public:
    explicit JoinGameDialog(const QPixmap& background, QWidget* parent = nullptr);
    ~JoinGameDialog() override;

    struct Request {
        app::GameAddress address;
        QString name; // trimmed, within the host's limit
    };
    // Called when the player asks to join with fields that read right.
    std::function<void(const Request&)> onJoin;
    // The player gave up while connecting (Cancel, Escape, closing the dialog).
    std::function<void()> onAbandon;
    // Looks for games on the local network while the dialog shows; tests give
    // their own. Default: the system's avahi daemon.
    std::function<zeroconf::Browser*(QObject* parent)> makeBrowser;
    // The port of an address typed without one.
    int defaultPort = 7772;

    // Fills the fields, lists the recent games and puts the keyboard in the address.
    void prepare(const QString& address, const QString& name, const QStringList& recentGames);
    // Checks what is in the fields, as Enter does, and joins when they read right.
    void join();

    // The attempt is under way: joining again waits, and the text says what happens.
    void setConnecting(const QString& text);
    bool connecting() const { return m_connecting; }
    // Why joining did not work; the dialog stays open and may be used again.
    void showProblem(const QString& text);
    QString problem() const;
    // Joined: the dialog closes.
    void finish();

    QLineEdit* addressField() const { return m_address; }
    QLineEdit* nameField() const { return m_name; }
    QListWidget* recentList() const { return m_recent; }
    QTreeView* networkList() const { return m_network; }
    // What the network list says about itself ("Looking for games...", no daemon, none found).
    QString networkStatus() const;
    zeroconf::Browser* browser() const { return m_browser; }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void joinTyped(const QString& text);
    void joinNetworkGame(const QModelIndex& index);
    void startBrowsing();
    void stopBrowsing();
    void updateNetworkStatus();

    QLineEdit* m_address = nullptr;
    QLineEdit* m_name = nullptr;
    QLabel* m_problem = nullptr;
    QLabel* m_status = nullptr;
    QListWidget* m_recent = nullptr;
    QTreeView* m_network = nullptr;
    QLabel* m_networkStatus = nullptr;
    QPushButton* m_join = nullptr;
    zeroconf::Browser* m_browser = nullptr;
    zeroconf::GameListModel* m_games = nullptr;
    bool m_connecting = false;
};
