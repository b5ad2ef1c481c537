#include "WhereToJoinWindow.h"

#include "Background.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHostInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkInterface>
#include <QPushButton>
#include <QVBoxLayout>

WhereToJoinWindow::WhereToJoinWindow(const QPixmap& background, QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("wheretojoinform"));
    setWindowTitle(QStringLiteral("Where to Join"));
    applyBackground(this, background);
    copyLink = [](const QString& link) { QGuiApplication::clipboard()->setText(link); };

    auto* intro = new QLabel(QStringLiteral("Others join your game with File \u2192 Join Game\u2026, typing one of "
                                            "these addresses, or with the invite link:"),
        this);
    intro->setObjectName(QStringLiteral("label_intro"));
    intro->setWordWrap(true);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("list_addresses"));
    m_link = new QLineEdit(this);
    m_link->setObjectName(QStringLiteral("edit_link"));
    m_link->setReadOnly(true);
    m_copy = new QPushButton(QStringLiteral("&Copy Invite Link"), this);
    m_copy->setObjectName(QStringLiteral("button_copylink"));
    auto* linkRow = new QHBoxLayout;
    linkRow->addWidget(m_link, 1);
    linkRow->addWidget(m_copy);

    m_announce = new QLabel(this);
    m_announce->setObjectName(QStringLiteral("label_announce"));
    m_announce->setTextFormat(Qt::PlainText);
    m_announce->setWordWrap(true);
    m_announce->hide();
    m_router = new QLabel(this);
    m_router->setObjectName(QStringLiteral("label_router"));
    m_router->setTextFormat(Qt::PlainText);
    m_router->setWordWrap(true);

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("button_close"));
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch();
    closeRow->addWidget(close);

    connect(m_list, &QListWidget::currentRowChanged, this, &WhereToJoinWindow::showChosenLink);
    connect(m_copy, &QPushButton::clicked, this, [this] {
        if (copyLink && !inviteLink().isEmpty())
            copyLink(inviteLink());
    });
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_list, 1);
    layout->addLayout(linkRow);
    layout->addWidget(m_announce);
    layout->addWidget(m_router);
    layout->addLayout(closeRow);
    resize(460, 340);
}

std::vector<app::GameAddress> WhereToJoinWindow::thisComputer(int port)
{
    std::vector<std::string> texts;
    for (const QHostAddress& a : QNetworkInterface::allAddresses())
        texts.push_back(a.toString().toStdString());
    return app::reachableAddresses(texts, QHostInfo::localHostName().toStdString(), port);
}

void WhereToJoinWindow::setAddresses(const std::vector<app::GameAddress>& addresses)
{
    m_addresses = addresses;
    m_list->clear();
    for (const app::GameAddress& a : addresses)
        m_list->addItem(QString::fromStdString(app::addressText(a)));
    if (addresses.empty()) {
        m_list->addItem(QStringLiteral("This computer has no network address others could use."));
        m_list->item(0)->setFlags(Qt::NoItemFlags);
    }
    const int port = addresses.empty() ? 0 : addresses.front().port;
    m_router->setText(QStringLiteral("Players outside your home network reach you only when your router passes TCP "
                                     "port %1 on to this computer (\"port forwarding\"), and then at your router's "
                                     "internet address; or play on a dedicated host (zirky-host) on a server.")
                          .arg(port ? QString::number(port) : QStringLiteral("7772")));
    m_list->setCurrentRow(addresses.empty() ? -1 : 0);
    showChosenLink();
}

void WhereToJoinWindow::setAnnouncement(const QString& text)
{
    m_announce->setText(text);
    m_announce->setVisible(!text.isEmpty());
}

QString WhereToJoinWindow::inviteLink() const
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= static_cast<int>(m_addresses.size()))
        return {};
    return QString::fromStdString(app::inviteLink(m_addresses[static_cast<std::size_t>(row)]));
}

void WhereToJoinWindow::showChosenLink()
{
    m_link->setText(inviteLink());
    m_copy->setEnabled(!inviteLink().isEmpty());
}
