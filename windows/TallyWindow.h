#pragma once
// The tally list: the player's own totals and his record against every opponent
// he chose to tally, kept in the tally file between runs.

#include "windows/TallyRecord.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

class TallyWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr const char* kFileName = "zirkytally.tld";

    explicit TallyWindow(const QPixmap& background, QWidget* parent = nullptr);
    // Saves the tally when it has a file.
    ~TallyWindow() override;

    // Reads the tally from `path` (a fresh one when there is no such file) and
    // saves it there from now on. Without a path nothing is read or written.
    // A file that exists but cannot be read is set aside, never overwritten.
    void setTallyPath(const QString& path);
    QString tallyPath() const { return m_path; }

    // Set by the main window: the names in seats 1 to 6 other than the player's
    // own whose label is not "<Waiting>".
    std::function<QStringList()> playersInGame;
    // Set by the main window: one red line in the chat.
    std::function<void(const QString&)> tellPlayer;
    // Yes/No question; a message box unless replaced (tests answer it themselves).
    std::function<bool(const QString&)> ask;

    // One finished game: the winner's name, or "addtomine" when the player won.
    void addgame(const QString& winner);
    // Row 0's highest game score (column 3) or highest turn score (column 4).
    void addscore(int column, int value);
    int highestGameScore() const;
    int highestTurnScore() const;
    // "View Tally": refills the players of the current game and shows the window.
    void showTally();

    void fillPlayersInGame();
    // Shows what the record holds: row 0 in the labels, the opponents in the list.
    void showRecord();
    // Removes grid row `row` (1 and up) and its list item.
    void moverow(int row);
    // Writes the tally file now; false when it could not be (the file on disk is then unchanged).
    bool saveTally();

    const windows::TallyRecord& record() const { return m_record; }

    void onPlayerChecked(QListWidgetItem* item);
    void onTalliedChecked(QListWidgetItem* item);
    void onTalliedClicked();
    void onResetClicked();

private:
    void showMine();
    void clearDetails();
    QListWidgetItem* addCheckedItem(QListWidget* list, const QString& name, bool checked);
    void setAside(const QString& reason);
    void deliverNotice();
    void changed();

    windows::TallyRecord m_record;
    QString m_path;
    // Set when an unreadable file could not be moved aside: it must not be overwritten.
    bool m_saveBlocked = false;
    QString m_notice;
    // True while the lists are changed by the program rather than by the player.
    bool m_updating = false;

    QListWidget* m_checklist = nullptr;
    QListWidget* m_tallyList = nullptr;
    std::array<QLabel*, 4> m_mine {};
    std::array<QLabel*, 8> m_details {};
    QLabel* m_hisNameTop = nullptr;
    QLabel* m_hisName = nullptr;
    QPushButton* m_reset = nullptr;
    QPushButton* m_done = nullptr;
};
