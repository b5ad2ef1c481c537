#include "SpectatorList.h"

#include "Background.h"
#include "net/Fields.h"

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

SpectatorList::SpectatorList(const QPixmap& background, QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("spylistform"));
    setWindowTitle(QStringLiteral("Zirky -Spys"));
    applyBackground(this, background);

    m_list = new QListWidget(this);
    m_list->setAccessibleName(QStringLiteral("Spectators"));
    m_list->setObjectName(QStringLiteral("listbox_spys"));
    m_list->setMouseTracking(true);
    m_list->viewport()->setMouseTracking(true);
    m_list->viewport()->installEventFilter(this);
    m_list->setProperty("tag", listTag);
    m_list->setMinimumSize(200, 160);

    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("popup_spys"));
    m_removeAction = m_popup->addAction(QStringLiteral("Remove From Game"));
    m_removeAction->setObjectName(QStringLiteral("popup_kickhim"));
    connect(m_removeAction, &QAction::triggered, this, &SpectatorList::onRemoveChosen);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        // The menu aims at the line where it was opened, also when opened from the keyboard.
        const QModelIndex index = m_list->indexAt(pos);
        setListTag(index.isValid() ? index.row() : -1);
        m_popup->popup(m_list->viewport()->mapToGlobal(pos));
    });

    m_ok = new QPushButton(QStringLiteral("Ok"), this);
    m_ok->setObjectName(QStringLiteral("button_ok"));
    connect(m_ok, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(m_list);
    layout->addLayout(buttons);
}

QString SpectatorList::lineFor(int seat, const QString& name)
{
    return QString::number(seat) + QStringLiteral(": ") + name;
}

void SpectatorList::addSpy(int seat, const QString& name)
{
    // A seat holds one spectator: a new login there replaces its line.
    const QString prefix = lineFor(seat, QString());
    for (int row = 0; row < m_list->count(); ++row) {
        if (m_list->item(row)->text().startsWith(prefix)) {
            m_list->item(row)->setText(lineFor(seat, name));
            return;
        }
    }
    m_list->addItem(lineFor(seat, name));
}

bool SpectatorList::removeSpy(int seat, const QString& name)
{
    const QString line = lineFor(seat, name);
    for (int row = 0; row < m_list->count(); ++row) {
        if (m_list->item(row)->text() == line) {
            delete m_list->takeItem(row);
            // The remembered line may now be a different spectator, or gone.
            setListTag(-1);
            return true;
        }
    }
    return false;
}

bool SpectatorList::hasSpy(int seat, const QString& name) const
{
    return !m_list->findItems(lineFor(seat, name), Qt::MatchExactly).isEmpty();
}

int SpectatorList::spyCount() const { return m_list->count(); }

void SpectatorList::setRemoveEnabled(bool enabled) { m_removeAction->setEnabled(enabled); }

void SpectatorList::setListTag(int index)
{
    listTag = index;
    m_list->setProperty("tag", index);
}

bool SpectatorList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            const auto* move = static_cast<QMouseEvent*>(event);
            const QModelIndex index = m_list->indexAt(move->position().toPoint());
            setListTag(index.isValid() ? index.row() : -1);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SpectatorList::onRemoveChosen()
{
    if (listTag < 0 || listTag >= m_list->count())
        return;
    const QString line = m_list->item(listTag)->text();
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return;
    const auto seat = net::parseInt(line.left(colon).toStdString());
    if (!seat)
        return;
    if (onKick)
        onKick(*seat);
}

void SpectatorList::clearSpies()
{
    m_list->clear();
    setListTag(-1);
}
