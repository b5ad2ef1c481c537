#include "TallyWindow.h"

#include "Background.h"
#include "app/AtomicFile.h"
#include "net/Text.h"
#include "windows/GridText.h"
#include "windows/Lzrw1.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace
{

// A tally of thousands of opponents is a few hundred KiB; anything far larger
// is not a tally file.
constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

QString fromRecord(const std::string& text) { return QString::fromStdString(text); }

// The temporaries of a save beside `path`: its name, a dot and six characters
// ("zirkytally.tld.XXXXXX").
std::string tempPrefix(const QString& path)
{
    return QFile::encodeName(QFileInfo(path).fileName() + '.').toStdString();
}

int clampToInt(std::int64_t value)
{
    return static_cast<int>(
        std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

QLabel* valueLabel(const QString& name, QWidget* parent)
{
    auto* label = new QLabel(QStringLiteral("0"), parent);
    label->setObjectName(name);
    label->setMinimumWidth(50);
    return label;
}

} // namespace

TallyWindow::TallyWindow(const QPixmap& background, QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("tallylistform"));
    setWindowTitle(QStringLiteral("Zirky - Tally List"));
    applyBackground(this, background);

    ask = [this](const QString& question) {
        return QMessageBox::question(this, windowTitle(), question, QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes;
    };

    m_checklist = new QListWidget(this);
    m_checklist->setObjectName(QStringLiteral("checklist"));
    m_tallyList = new QListWidget(this);
    m_tallyList->setObjectName(QStringLiteral("listbox_tally"));
    m_checklist->setAccessibleName(QStringLiteral("Players in the current game; check one to tally them"));
    m_tallyList->setAccessibleName(QStringLiteral("Players being tallied"));
    connect(m_checklist, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (!m_updating)
            onPlayerChecked(item);
    });
    connect(m_tallyList, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (!m_updating)
            onTalliedChecked(item);
    });
    connect(m_tallyList, &QListWidget::currentRowChanged, this, [this] {
        if (!m_updating)
            onTalliedClicked();
    });

    auto* lists = new QVBoxLayout;
    lists->addWidget(new QLabel(QStringLiteral("Players In Current Game"), this));
    lists->addWidget(m_checklist);
    lists->addWidget(new QLabel(QStringLiteral("Players Being Tallied"), this));
    lists->addWidget(m_tallyList);

    // The player's own totals.
    auto* mine = new QGridLayout;
    const char* captions[] = { "Total Games:", "Your Wins", "Highest Game Score:", "Highest Turn Score:" };
    for (int i = 0; i < 4; ++i) {
        m_mine[i] = valueLabel(QStringLiteral("mylabel_%1").arg(i + 1), this);
        m_mine[i]->setProperty("tag", 0);
        mine->addWidget(new QLabel(QString::fromLatin1(captions[i]), this), i, 0);
        mine->addWidget(m_mine[i], i, 1);
    }

    // The selected opponent, in all and since the program started.
    m_hisNameTop = new QLabel(this);
    m_hisNameTop->setObjectName(QStringLiteral("label_hisnametop"));
    m_hisName = new QLabel(QStringLiteral("Wins:"), this);
    m_hisName->setObjectName(QStringLiteral("label_hisname"));
    auto* details = new QGridLayout;
    details->addWidget(m_hisNameTop, 0, 0, 1, 3);
    details->addWidget(new QLabel(QStringLiteral("Total"), this), 1, 1);
    details->addWidget(new QLabel(QStringLiteral("Session"), this), 1, 2);
    details->addWidget(new QLabel(QStringLiteral("Number of Games"), this), 2, 0);
    details->addWidget(m_hisName, 3, 0);
    details->addWidget(new QLabel(QStringLiteral("Your Wins:"), this), 4, 0);
    details->addWidget(new QLabel(QStringLiteral("Neither Won:"), this), 5, 0);
    for (int i = 0; i < 8; ++i) {
        m_details[i] = valueLabel(QStringLiteral("label_%1").arg(i + 1), this);
        details->addWidget(m_details[i], 2 + i % 4, 1 + i / 4);
    }

    m_reset = new QPushButton(QStringLiteral("Reset Tally"), this);
    m_reset->setObjectName(QStringLiteral("button_reset"));
    connect(m_reset, &QPushButton::clicked, this, &TallyWindow::onResetClicked);
    m_done = new QPushButton(QStringLiteral("Done"), this);
    m_done->setObjectName(QStringLiteral("button_done"));
    connect(m_done, &QPushButton::clicked, this, &QWidget::close);

    auto* right = new QVBoxLayout;
    right->addLayout(mine);
    right->addSpacing(16);
    right->addLayout(details);
    right->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_reset);
    buttons->addStretch();
    buttons->addWidget(m_done);
    right->addLayout(buttons);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addLayout(lists, 1);
    layout->addSpacing(12);
    layout->addLayout(right, 1);
    resize(560, 400);
}

TallyWindow::~TallyWindow() { saveTally(); }

void TallyWindow::setTallyPath(const QString& path)
{
    m_path = path;
    m_saveBlocked = false;
    m_record = {};
    // What saves killed half-way left beside the tally.
    app::removeStaleTemporaries(QFile::encodeName(QFileInfo(path).absolutePath()).toStdString(), tempPrefix(path));

    QFile file(path);
    if (file.exists()) {
        QString reason;
        if (!file.open(QIODevice::ReadOnly))
            reason = file.errorString();
        else if (file.size() > kMaxFileBytes)
            reason = QStringLiteral("larger than any tally");
        else {
            const QByteArray bytes = file.readAll();
            file.close();
            try {
                const auto text = windows::lzrw1::decompress(
                    std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size()));
                windows::Grid grid
                    = windows::readGridText(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
                // Names from a single-byte writer still show.
                for (auto& row : grid.rows) {
                    if (!row.empty())
                        row[0] = net::printable(row[0]);
                }
                m_record = windows::TallyRecord::fromGrid(grid);
            } catch (const std::exception& e) {
                reason = QString::fromStdString(e.what());
            }
        }
        if (!reason.isEmpty())
            setAside(reason);
    }
    showRecord();
}

void TallyWindow::setAside(const QString& reason)
{
    m_record = {};
    QString aside = m_path + QStringLiteral(".bad");
    for (int n = 2; QFileInfo::exists(aside) && n < 1000; ++n)
        aside = m_path + QStringLiteral(".bad%1").arg(n);
    const QString shown = QFileInfo(aside).fileName();
    if (!QFileInfo::exists(aside) && QFile::rename(m_path, aside)) {
        qWarning().noquote() << "Tally file" << m_path << "could not be read (" + reason + "); kept as" << aside;
        m_notice = QStringLiteral("Your tally file could not be read. It was kept as %1 and a new tally has begun.")
                       .arg(shown);
    } else {
        m_saveBlocked = true;
        qWarning().noquote() << "Tally file" << m_path
                             << "could not be read (" + reason + ") nor moved aside; the tally will not be saved";
        m_notice = QStringLiteral("Your tally file could not be read and has been left as it is. "
                                  "The tally will not be saved until it is moved away.");
    }
    // The main window hooks tellPlayer up after this window is made.
    QTimer::singleShot(0, this, &TallyWindow::deliverNotice);
}

void TallyWindow::deliverNotice()
{
    if (m_notice.isEmpty() || !tellPlayer)
        return;
    const QString notice = std::exchange(m_notice, QString());
    tellPlayer(notice);
}

bool TallyWindow::saveTally()
{
    if (m_path.isEmpty() || m_saveBlocked)
        return false;
    try {
        const std::string text = windows::writeGridText(m_record.toGrid());
        const auto bytes
            = windows::lzrw1::compress(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        // Written beside the tally and renamed over it: a crash or a kill leaves
        // the old tally or the new one, never half of one.
        std::string why;
        if (!app::replaceFile(QFile::encodeName(m_path).toStdString(),
                std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), tempPrefix(m_path),
                &why)) {
            qWarning().noquote() << "Tally not saved:" << QString::fromStdString(why);
            return false;
        }
        return true;
    } catch (const std::exception& e) {
        qWarning().noquote() << "Tally not saved:" << e.what();
        return false;
    }
}

void TallyWindow::changed()
{
    showMine();
    saveTally();
}

void TallyWindow::showMine()
{
    for (int i = 0; i < 4; ++i) {
        const std::int64_t value = m_record.mine(i + 1);
        m_mine[i]->setText(QString::number(value));
        m_mine[i]->setProperty("tag", clampToInt(value));
    }
}

void TallyWindow::clearDetails()
{
    m_hisNameTop->clear();
    m_hisName->setText(QStringLiteral("Wins:"));
    for (QLabel* label : m_details)
        label->setText(QStringLiteral("0"));
}

QListWidgetItem* TallyWindow::addCheckedItem(QListWidget* list, const QString& name, bool checked)
{
    auto* item = new QListWidgetItem(name);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    list->addItem(item);
    return item;
}

void TallyWindow::showRecord()
{
    m_updating = true;
    m_tallyList->clear();
    for (const windows::TallyRow& row : m_record.opponents())
        addCheckedItem(m_tallyList, fromRecord(row.name), true);
    m_updating = false;
    showMine();
    clearDetails();
}

void TallyWindow::fillPlayersInGame()
{
    m_updating = true;
    m_checklist->clear();
    const QStringList names = playersInGame ? playersInGame() : QStringList();
    for (const QString& name : names) {
        const std::string clean = windows::TallyRecord::cleanName(name.toStdString());
        addCheckedItem(m_checklist, fromRecord(clean), m_record.rowOf(clean) >= 0);
    }
    m_updating = false;
}

void TallyWindow::addgame(const QString& winner)
{
    deliverNotice();
    fillPlayersInGame();
    std::vector<std::string> inGame;
    for (int i = 0; i < m_checklist->count(); ++i)
        inGame.push_back(m_checklist->item(i)->text().toStdString());
    // "addtomine" has no line break, so cleaning leaves it as it is.
    const std::string who = windows::TallyRecord::cleanName(winner.toStdString());
    m_record.addgame(who, inGame);
    if (m_tallyList->currentRow() >= 0)
        onTalliedClicked();
    changed();
}

void TallyWindow::addscore(int column, int value)
{
    if (m_record.addscore(column, value))
        changed();
}

int TallyWindow::highestGameScore() const { return clampToInt(m_record.mine(windows::kHighestGame)); }

int TallyWindow::highestTurnScore() const { return clampToInt(m_record.mine(windows::kHighestTurn)); }

void TallyWindow::showTally()
{
    deliverNotice();
    fillPlayersInGame();
    show();
    raise();
    activateWindow();
}

void TallyWindow::moverow(int row)
{
    if (row < 1 || static_cast<std::size_t>(row) >= m_record.rowCount())
        return;
    m_record.moverow(static_cast<std::size_t>(row));
    m_updating = true;
    delete m_tallyList->takeItem(row - 1);
    m_tallyList->setCurrentRow(-1);
    m_updating = false;
    clearDetails();
}

void TallyWindow::onPlayerChecked(QListWidgetItem* item)
{
    if (!item)
        return;
    const std::string name = item->text().toStdString();
    const bool tallied = m_record.rowOf(name) >= 0;
    if (item->checkState() == Qt::Checked && !tallied) {
        if (m_record.addOpponent(name) < 0)
            return;
        m_updating = true;
        addCheckedItem(m_tallyList, item->text(), true);
        m_updating = false;
        changed();
    } else if (item->checkState() != Qt::Checked && tallied) {
        // A tallied name is removed from the tally list, with its question; here
        // it stays checked so the list does not claim it is no longer tallied.
        m_updating = true;
        item->setCheckState(Qt::Checked);
        m_updating = false;
    }
}

void TallyWindow::onTalliedChecked(QListWidgetItem* item)
{
    if (!item || item->checkState() == Qt::Checked)
        return;
    const QString name = item->text();
    if (ask
        && ask(QStringLiteral("This will delete ") + name + QStringLiteral("'s Tally, Are you want to delete it?"))) {
        moverow(m_tallyList->row(item) + 1);
        // The name may also stand in the current game's list.
        m_updating = true;
        for (QListWidgetItem* other : m_checklist->findItems(name, Qt::MatchExactly))
            other->setCheckState(Qt::Unchecked);
        m_updating = false;
        changed();
    } else {
        m_updating = true;
        item->setCheckState(Qt::Checked);
        m_updating = false;
    }
}

void TallyWindow::onTalliedClicked()
{
    const int index = m_tallyList->currentRow();
    if (index < 0 || static_cast<std::size_t>(index) + 1 >= m_record.rowCount())
        return;
    const auto row = static_cast<std::size_t>(index) + 1;
    const QString name = fromRecord(m_record.cell(row, 0));
    m_hisNameTop->setText(name + QStringLiteral("'s Tally"));
    m_hisName->setText(name + QStringLiteral(" Wins:"));
    for (int i = 0; i < 8; ++i)
        m_details[i]->setText(fromRecord(m_record.cell(row, static_cast<std::size_t>(i) + 1)));
}

void TallyWindow::onResetClicked()
{
    if (!ask || !ask(QStringLiteral("Are you sure you want to reset the Tally?")))
        return;
    m_record.reset();
    m_updating = true;
    m_tallyList->clear();
    for (int i = 0; i < m_checklist->count(); ++i)
        m_checklist->item(i)->setCheckState(Qt::Unchecked);
    m_updating = false;
    clearDetails();
    changed();
}
