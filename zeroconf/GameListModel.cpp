#include "GameListModel.h"

namespace zeroconf
{

GameListModel::GameListModel(Browser* browser, QObject* parent)
    : QAbstractTableModel(parent)
    , m_games(browser->games())
{
    connect(browser, &Browser::gameAdded, this, &GameListModel::onAdded);
    connect(browser, &Browser::gameChanged, this, &GameListModel::onChanged);
    connect(browser, &Browser::gameRemoved, this, &GameListModel::onRemoved);
}

int GameListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_games.size()); }

int GameListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QString GameListModel::cellText(const FoundGame& game, int column)
{
    const GameInfo& info = game.info;
    switch (column) {
    case NameColumn:
        return game.name;
    case PlayersColumn:
        return info.seated < 0 ? tr("?") : QStringLiteral("%1/%2").arg(info.seated).arg(info.seats);
    case GameColumn:
        return info.phase == Phase::Running ? tr("running") : info.phase == Phase::Waiting ? tr("waiting") : tr("?");
    case VersionColumn:
        return info.version.empty() ? tr("?") : QString::fromStdString(info.version);
    default:
        return {};
    }
}

QVariant GameListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_games.size())
        return {};
    const FoundGame& game = m_games.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return cellText(game, index.column());
    case Qt::ToolTipRole: {
        QStringList addresses;
        for (const auto& a : game.addresses)
            addresses.append(a.toString());
        // A tool tip that looks like markup is shown as markup: a host name
        // from the network is made to read as the text it is.
        const QString text
            = tr("%1, port %2\n%3").arg(game.hostName).arg(game.port).arg(addresses.join(QStringLiteral(", ")));
        return QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(text.toHtmlEscaped());
    }
    case JoinAddressRole:
        return game.joinAddress();
    default:
        return {};
    }
}

QVariant GameListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn:
        return tr("Host");
    case PlayersColumn:
        return tr("Players");
    case GameColumn:
        return tr("Game");
    case VersionColumn:
        return tr("Version");
    default:
        return {};
    }
}

void GameListModel::onAdded(const FoundGame& game)
{
    const int row = int(m_games.size());
    beginInsertRows({}, row, row);
    m_games.append(game);
    endInsertRows();
}

void GameListModel::onChanged(const FoundGame& game)
{
    const int row = rowOf(game.id);
    if (row < 0)
        return;
    m_games[row] = game;
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void GameListModel::onRemoved(const QString& id)
{
    const int row = rowOf(id);
    if (row < 0)
        return;
    beginRemoveRows({}, row, row);
    m_games.removeAt(row);
    endRemoveRows();
}

int GameListModel::rowOf(const QString& id) const
{
    for (int row = 0; row < m_games.size(); ++row)
        if (m_games.at(row).id == id)
            return row;
    return -1;
}

} // namespace zeroconf
