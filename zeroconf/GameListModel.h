#pragma once
// The games a Browser finds, as a table for the Join dialog: the game's name
// (which names its host), seated players out of six, whether a game is
// running, and the version. Qt::UserRole holds what to join (joinAddress()).

#include "zeroconf/Browser.h"

#include <QAbstractTableModel>

namespace zeroconf
{

class GameListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { NameColumn, PlayersColumn, GameColumn, VersionColumn, ColumnCount };
    static constexpr int JoinAddressRole = Qt::UserRole;

    explicit GameListModel(Browser* browser, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The text of one cell as the dialog shows it.
    static QString cellText(const FoundGame& game, int column);

private:
    void onAdded(const FoundGame& game);
    void onChanged(const FoundGame& game);
    void onRemoved(const QString& id);
    int rowOf(const QString& id) const;

    QList<FoundGame> m_games;
};

} // namespace zeroconf
