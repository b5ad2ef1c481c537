#include "JoinGameDialog.h"

#include "Background.h"
#include "DialogParts.h"
#include "app/PlayerName.h"
#include "zeroconf/Browser.h"
#include "zeroconf/GameListModel.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeView>
#include <QVBoxLayout>

namespace
{

QLabel* heading(QWidget* parent, const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

JoinGameDialog::JoinGameDialog(const QPixmap& background, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("joingameform"));
    setWindowTitle(QStringLiteral("Join Game"));
    applyBackground(this, background);

    m_address = dialogparts::lineEdit(this, "edit_address");
    m_address->setPlaceholderText(QStringLiteral("computer, computer:port, address or zirky:// link"));
    m_name = dialogparts::lineEdit(this, "edit_name");
    m_problem = dialogparts::problemLabel(this);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("label_status"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);
    m_status->hide();

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Address:"), m_address);
    form->addRow(QStringLiteral("Your &name:"), m_name);

    m_recent = new QListWidget(this);
    m_recent->setObjectName(QStringLiteral("list_recent"));
    m_recent->setMaximumHeight(90);

    m_network = new QTreeView(this);
    m_network->setObjectName(QStringLiteral("list_network"));
    m_network->setRootIsDecorated(false);
    m_network->setUniformRowHeights(true);
    m_network->setItemsExpandable(false);
    m_network->setAllColumnsShowFocus(true);
    m_network->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_network->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_networkStatus = new QLabel(this);
    m_networkStatus->setObjectName(QStringLiteral("label_network"));
    m_networkStatus->setTextFormat(Qt::PlainText);
    m_networkStatus->setWordWrap(true);

    // Enter is the fields' and the lists' own: no button takes it over, so an
    // entry chosen in a list is never joined twice.
    auto* buttons = new QDialogButtonBox(this);
    m_join = buttons->addButton(QStringLiteral("&Join"), QDialogButtonBox::ActionRole);
    m_join->setObjectName(QStringLiteral("button_join"));
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("button_cancel"));
    for (QPushButton* b : { m_join, cancel }) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    connect(m_join, &QPushButton::clicked, this, &JoinGameDialog::join);
    connect(buttons, &QDialogButtonBox::rejected, this, &JoinGameDialog::reject);
    connect(m_address, &QLineEdit::returnPressed, this, &JoinGameDialog::join);
    connect(m_name, &QLineEdit::returnPressed, this, &JoinGameDialog::join);

    // A click shows an entry's address in the field; a double click or Enter joins it.
    connect(m_recent, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { m_address->setText(item->text()); });
    connect(m_recent, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { joinTyped(item->text()); });
    connect(m_network, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        const QString address = index.siblingAtColumn(0).data(zeroconf::GameListModel::JoinAddressRole).toString();
        if (!address.isEmpty())
            m_address->setText(address);
    });
    connect(m_network, &QTreeView::activated, this, &JoinGameDialog::joinNetworkGame);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_problem);
    layout->addWidget(heading(this, QStringLiteral("&Recent games"), m_recent));
    layout->addWidget(m_recent);
    layout->addWidget(heading(this, QStringLiteral("Games on your &network"), m_network));
    layout->addWidget(m_network, 1);
    layout->addWidget(m_networkStatus);
    layout->addWidget(m_status);
    layout->addWidget(buttons);
    setTabOrder(m_address, m_name);
    setTabOrder(m_name, m_recent);
    setTabOrder(m_recent, m_network);
    resize(560, 480);
}

JoinGameDialog::~JoinGameDialog() { stopBrowsing(); }

void JoinGameDialog::prepare(const QString& address, const QString& name, const QStringList& recentGames)
{
    m_address->setText(address.trimmed());
    m_name->setText(name);
    m_recent->clear();
    m_recent->addItems(recentGames);
    m_connecting = false;
    m_join->setEnabled(true);
    m_status->hide();
    m_problem->hide();
    m_address->setFocus();
    // A link handed over by another program is checked before anyone presses Enter.
    const std::string typed = address.toStdString();
    if (app::looksLikeInviteLink(typed)) {
        const auto parsed = app::parseGameAddress(typed, defaultPort);
        if (!parsed.address)
            showProblem(QString::fromStdString(app::addressProblemText(parsed.problem, typed)));
    }
}

void JoinGameDialog::join() { joinTyped(m_address->text()); }

void JoinGameDialog::joinTyped(const QString& text)
{
    if (m_connecting)
        return;
    const std::string typed = text.toStdString();
    const auto parsed = app::parseGameAddress(typed, defaultPort);
    if (!parsed.address) {
        showProblem(QString::fromStdString(app::addressProblemText(parsed.problem, typed)));
        m_address->setFocus();
        return;
    }
    const std::string name = m_name->text().toStdString();
    if (const app::NameProblem p = app::nameProblem(name); p != app::NameProblem::None) {
        showProblem(QString::fromStdString(app::nameProblemText(p)));
        m_name->setFocus();
        return;
    }
    m_address->setText(text.trimmed());
    m_problem->hide();
    if (onJoin)
        onJoin({ *parsed.address, QString::fromStdString(app::trimmedName(name)) });
}

void JoinGameDialog::joinNetworkGame(const QModelIndex& index)
{
    if (m_connecting || !index.isValid())
        return;
    const QString address = index.siblingAtColumn(0).data(zeroconf::GameListModel::JoinAddressRole).toString();
    if (address.isEmpty()) {
        showProblem(QStringLiteral("The address of that game is not known yet; try again in a moment."));
        return;
    }
    joinTyped(address);
}

void JoinGameDialog::setConnecting(const QString& text)
{
    m_connecting = true;
    m_join->setEnabled(false);
    m_problem->hide();
    m_status->setText(text);
    m_status->show();
}

void JoinGameDialog::showProblem(const QString& text)
{
    m_connecting = false;
    m_join->setEnabled(true);
    m_status->hide();
    dialogparts::showProblem(m_problem, text);
}

QString JoinGameDialog::problem() const { return m_problem->isHidden() ? QString() : m_problem->text(); }

void JoinGameDialog::finish()
{
    m_connecting = false;
    m_join->setEnabled(true);
    m_status->hide();
    QDialog::accept();
}

void JoinGameDialog::reject()
{
    if (m_connecting) {
        m_connecting = false;
        m_join->setEnabled(true);
        m_status->hide();
        if (onAbandon)
            onAbandon();
    }
    QDialog::reject();
}

void JoinGameDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    startBrowsing();
}

void JoinGameDialog::hideEvent(QHideEvent* event)
{
    // Asking the network costs its traffic: only while somebody looks.
    if (!event->spontaneous())
        stopBrowsing();
    QDialog::hideEvent(event);
}

void JoinGameDialog::startBrowsing()
{
    if (m_browser)
        return;
    m_browser = makeBrowser ? makeBrowser(this) : new zeroconf::Browser(this);
    m_games = new zeroconf::GameListModel(m_browser, this);
    m_network->setModel(m_games);
    QHeaderView* header = m_network->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(zeroconf::GameListModel::NameColumn, QHeaderView::Stretch);
    for (int column = 1; column < zeroconf::GameListModel::ColumnCount; ++column)
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    connect(m_browser, &zeroconf::Browser::stateChanged, this, &JoinGameDialog::updateNetworkStatus);
    connect(m_games, &QAbstractItemModel::rowsInserted, this, &JoinGameDialog::updateNetworkStatus);
    connect(m_games, &QAbstractItemModel::rowsRemoved, this, &JoinGameDialog::updateNetworkStatus);
    connect(m_games, &QAbstractItemModel::modelReset, this, &JoinGameDialog::updateNetworkStatus);
    updateNetworkStatus();
}

void JoinGameDialog::stopBrowsing()
{
    if (!m_browser)
        return;
    m_network->setModel(nullptr);
    m_games->disconnect(this);
    m_browser->disconnect(this);
    m_games->deleteLater();
    m_browser->deleteLater();
    m_games = nullptr;
    m_browser = nullptr;
}

QString JoinGameDialog::networkStatus() const
{
    return m_networkStatus->isHidden() ? QString() : m_networkStatus->text();
}

void JoinGameDialog::updateNetworkStatus()
{
    QString text;
    if (m_browser) {
        switch (m_browser->state()) {
        case zeroconf::Browser::State::Starting:
            text = QStringLiteral("Looking for games on your network\u2026");
            break;
        case zeroconf::Browser::State::Browsing:
            if (m_games->rowCount() == 0)
                text = QStringLiteral("No games found on your network yet.");
            break;
        case zeroconf::Browser::State::Unavailable:
        case zeroconf::Browser::State::Failed:
            text = m_browser->statusText();
            break;
        }
    }
    m_networkStatus->setText(text);
    m_networkStatus->setVisible(!text.isEmpty());
}
