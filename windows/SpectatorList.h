#pragma once
// The spectator list: who only watches, and the host's way to remove one of them.

#include <QWidget>

#include <functional>

class QAction;
class QListWidget;
class QMenu;
class QPushButton;

class SpectatorList : public QWidget
{
    Q_OBJECT
public:
    explicit SpectatorList(const QPixmap& background, QWidget* parent = nullptr);

    // Asked to remove the spectator in `seat`; the main window decides whether it may send.
    std::function<void(int seat)> onKick;

    // One line per spectator seat: seat, ": ", name; a seat listed already
    // takes the new name.
    void addSpy(int seat, const QString& name);
    // True when that exact line was listed and is now gone.
    bool removeSpy(int seat, const QString& name);
    bool hasSpy(int seat, const QString& name) const;
    // A new table: nobody watches yet.
    void clearSpies();
    int spyCount() const;

    void setRemoveEnabled(bool enabled);
    QAction* removeAction() const { return m_removeAction; }

    // Index of the line under the mouse, -1 when none (also the list's "tag" property).
    int listTag = -1;

    void onRemoveChosen();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static QString lineFor(int seat, const QString& name);
    void setListTag(int index);

    QListWidget* m_list = nullptr;
    QMenu* m_popup = nullptr;
    QAction* m_removeAction = nullptr;
    QPushButton* m_ok = nullptr;
};
