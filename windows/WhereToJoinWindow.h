#pragma once
// While this copy hosts: how others reach the game. This computer's addresses
// with the port, an invite link for the one chosen, and what to do when the
// others are not on the same network.

#include "app/GameAddress.h"

#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class WhereToJoinWindow : public QWidget
{
    Q_OBJECT
public:
    explicit WhereToJoinWindow(const QPixmap& background, QWidget* parent = nullptr);

    // The ways in to a game on `port` of this computer, best first (see app::reachableAddresses).
    static std::vector<app::GameAddress> thisComputer(int port);

    // The addresses to show, best first; the first is chosen.
    void setAddresses(const std::vector<app::GameAddress>& addresses);
    // Whether the game is listed on the local network, in a sentence.
    void setAnnouncement(const QString& text);
    // The link of the address chosen; empty when there is none.
    QString inviteLink() const;

    // Puts the link where the player can paste it; tests listen instead.
    std::function<void(const QString& link)> copyLink;

    QListWidget* addressList() const { return m_list; }

private:
    void showChosenLink();

    std::vector<app::GameAddress> m_addresses;
    QListWidget* m_list = nullptr;
    QLineEdit* m_link = nullptr;
    QPushButton* m_copy = nullptr;
    QLabel* m_router = nullptr;
    QLabel* m_announce = nullptr;
};
