// The main window's own life: shown, resized, closed; the settings file and
// the option menus; the menus that show the other windows.

#include "MainWindow.h"

#include "ClientConnection.h"
#include "GameBoard.h"
#include "app/ColorText.h"
#include "chat/ChatInput.h"
#include "chat/ChatView.h"
#include "chat/PhraseBar.h"
#include "chat/Sounds.h"
#include "windows/AboutWindow.h"
#include "windows/HelpWindow.h"
#include "windows/PhraseListWindow.h"
#include "windows/SpectatorList.h"
#include "windows/StartGameDialog.h"
#include "windows/TallyWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPalette>
#include <QScreen>
#include <QTimer>

#include <algorithm>

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    // The keyboard's home: "hi" and Enter, typed first thing, is said in the chat.
    m_chatInput->setFocus();
    // FormShow: the command line is read once the window is up, so its first
    // chat line is visible while the connection is made.
    QTimer::singleShot(0, this, &MainWindow::readCommandLine);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // The window's own close button asks as "Exit" does. A session that ends
    // (SIGTERM) or a program that takes over is never held up by a question.
    if (!m_closing && !m_leaving && event->spontaneous() && !confirmLeaving(true)) {
        event->ignore();
        return;
    }
    if (!m_closing) {
        rememberPlaceOnClose();
        m_closing = true;
        leaveGame();
        m_turnClock->stop();
    }
    event->accept();
    emit closed();
}

app::Geometry MainWindow::windowGeometry() const
{
    const QRect outer = frameGeometry();
    return { outer.x(), outer.y(), outer.width(), outer.height() };
}

void MainWindow::applyWindowGeometry(const app::Geometry& g)
{
    const QRect outer = frameGeometry();
    const int frameW = outer.width() - width();
    const int frameH = outer.height() - height();
    QRect wanted(g.left, g.top, g.width, g.height);
    // A window stored on a screen that is gone would open out of reach.
    if (const QScreen* s = screen(); s && !s->availableVirtualGeometry().intersects(wanted))
        wanted.moveTo(app::kDefaultLeft, app::kDefaultTop);
    move(wanted.topLeft());
    resize(std::max(1, wanted.width() - frameW), std::max(1, wanted.height() - frameH));
}

void MainWindow::rememberPlaceOnClose()
{
    // Until the file has placed the window, where it stands is the desktop's
    // doing (its window manager may move it on the way up): the stored place stays.
    if (!m_remembered)
        return;
    app::Geometry g = windowGeometry();
    if (*m_remembered == g)
        return;
    if (const QScreen* s = screen()) {
        const QRect work = s->availableGeometry();
        if (g.width > work.width())
            g.width -= 15;
        if (g.height > work.height())
            g.height -= 15;
    }
    writeSettingsFile(g);
}

void MainWindow::loadSettings()
{
    app::IniFile ini;
    const auto result = ini.load(m_options.settingsPath);
    if (result == app::IniFile::LoadResult::TooLarge)
        log("settings file " + m_options.settingsPath + " is too large; using the defaults");
    else if (result == app::IniFile::LoadResult::Unreadable)
        log("cannot read settings file " + m_options.settingsPath + "; using the defaults");
    m_settings.load(ini);
    const app::ZirkySettings& s = m_settings.values();

    applyWindowGeometry(s.geometry);
    m_remembered = windowGeometry();

    applyTextSize(s.textSize);
    for (QAction* a : m_sizeItems)
        a->setChecked(a->data().toInt() == s.textSize);

    m_chatInput->setTextColor(textColor());
    m_board->phraseBar()->setStoredPhrases(s.phrases);
    m_sounds->setPlaySounds(s.playSounds);
    m_sounds->setTurnSound(s.turnSound);

    if (m_windows.startDialog)
        m_windows.startDialog->applySettings(
            s.playToScore, s.timePerTurn, s.zirkedAt, s.newTiles, s.fastGame, s.typing);
    m_playSounds->setChecked(s.playSounds);
    m_turnOff0->setChecked(s.turnOff0Key);
    m_twoRows->setChecked(s.twoRows);
    (s.turnSound == 1 ? m_new : m_classic)->setChecked(true);
    m_playChatter->setChecked(s.chatterSounds);
    m_showMissed->setChecked(s.missedWords);
    m_cleanWords->setChecked(s.cleanWords);
    applyPlayOptions();
    render();
}

void MainWindow::applyPlayOptions()
{
    const app::ZirkySettings& s = m_settings.values();
    m_session.setChatterSounds(s.chatterSounds);
    m_session.game().useTwoRows(s.twoRows);
    m_session.game().setShowMissed(s.missedWords);
    m_session.game().setTurnOff0(s.turnOff0Key);
    m_session.game().setTurnSoundNew(s.turnSound == 1);
}

void MainWindow::saveSettings() { writeSettingsFile(std::nullopt); }

QColor MainWindow::textColor() const
{
    return colorFromBgr(app::parseColorText(m_settings.values().textColor).value_or(0));
}

void MainWindow::writeSettingsFile(std::optional<app::Geometry> closing)
{
    app::IniFile ini;
    const auto result = ini.load(m_options.settingsPath);
    if (result == app::IniFile::LoadResult::TooLarge || result == app::IniFile::LoadResult::Unreadable) {
        log("settings not saved: " + m_options.settingsPath + " cannot be read back safely");
        return;
    }
    if (m_windows.startDialog)
        m_settings.setStartWindow(m_windows.startDialog->currentSettings());
    // The window's own geometry once the file has placed it; before that the stored one stays.
    std::optional<app::Geometry> windowAt = closing;
    if (!windowAt && m_remembered)
        windowAt = windowGeometry();
    const app::ZirkySettings out = m_settings.toSave(ini, windowAt);
    app::writeSettings(ini, out);
    std::string error;
    if (!ini.save(m_options.settingsPath, &error)) {
        log("settings not saved: " + error);
        return;
    }
    if (windowAt)
        m_remembered = out.geometry;
}

void MainWindow::onPlaySoundsChosen()
{
    m_settings.setPlaySounds(m_playSounds->isChecked());
    saveSettings();
    m_sounds->setPlaySounds(m_settings.values().playSounds);
}

void MainWindow::onChatterSoundsChosen()
{
    m_settings.setChatterSounds(m_playChatter->isChecked());
    saveSettings();
    m_session.setChatterSounds(m_settings.values().chatterSounds);
}

void MainWindow::onTurnSoundChosen(QAction* item)
{
    item->setChecked(true);
    m_settings.setTurnSound(item->data().toInt());
    m_session.game().setTurnSoundNew(m_settings.values().turnSound == 1);
    m_sounds->setTurnSound(m_settings.values().turnSound);
    saveSettings();
}

void MainWindow::onTwoRowsChosen()
{
    m_settings.setTwoRows(m_twoRows->isChecked());
    saveSettings();
    apply(m_session.game().chooseTwoRows(m_settings.values().twoRows));
}

void MainWindow::onShowMissedWordsChosen()
{
    m_settings.setMissedWords(m_showMissed->isChecked());
    saveSettings();
    m_session.game().setShowMissed(m_settings.values().missedWords);
}

void MainWindow::onZeroKeyChosen()
{
    m_settings.setTurnOff0Key(m_turnOff0->isChecked());
    saveSettings();
    m_session.game().setTurnOff0(m_settings.values().turnOff0Key);
}

void MainWindow::onTextColorChosen()
{
    const auto chosen = pickColor ? pickColor(textColor()) : std::nullopt;
    if (!chosen)
        return;
    m_settings.setTextColor(bgrFromColor(*chosen));
    m_chatInput->setTextColor(textColor());
    saveSettings();
}

// The board's text and the menus' follow the text size together.
void MainWindow::applyTextSize(int points)
{
    m_board->setTextSize(points);
    fitMenuFont();
}

void MainWindow::onTextSizeChosen(QAction* item)
{
    const int size = item->data().toInt();
    for (QAction* a : m_sizeItems)
        a->setChecked(a == item);
    applyTextSize(size);
    m_settings.setTextSize(size);
    saveSettings();
}

void MainWindow::onScrollOffChosen() { m_chatView->setScrollOff(m_scrollOff->isChecked()); }

void MainWindow::onResetScreenLocationChosen()
{
    applyWindowGeometry({ app::kDefaultLeft, app::kDefaultTop, app::kDefaultWidth, app::kDefaultHeight });
}

void MainWindow::onExitChosen()
{
    if (confirmLeaving(true))
        close();
}

namespace
{
void showWindow(QWidget* w)
{
    if (!w)
        return;
    w->show();
    w->raise();
    w->activateWindow();
}
} // namespace

void MainWindow::onViewTallyChosen()
{
    if (m_windows.tally)
        m_windows.tally->showTally();
}
void MainWindow::onSpyListChosen() { showWindow(m_windows.spectators); }
void MainWindow::onPhraseListChosen()
{
    if (m_windows.phrases)
        m_windows.phrases->showPhrases(m_board->phraseBar()->phrases());
}
void MainWindow::onHelpChosen() { showWindow(m_windows.help); }
void MainWindow::onAboutChosen() { showWindow(m_windows.about); }
