#pragma once
// The host's game start window: the options of the next game and the button that starts it.

#include "app/Settings.h"
#include "net/Commands.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;

class StartGameDialog : public QWidget
{
    Q_OBJECT
public:
    explicit StartGameDialog(const QPixmap& background, QWidget* parent = nullptr);

    // Called by the start button before the window hides: the main window starts the game
    // and saves its settings.
    std::function<void()> onStart;

    // What the start message carries. Team play is not offered; "fast" counts only while the
    // box is offered (see setFastHidden).
    net::GameOptions options() const;

    // The "s" command-line argument: only slow games may be started.
    void setFastHidden(bool hidden);
    bool fastHidden() const { return m_fastHidden; }

    // Stored values as the settings file holds them; nullopt = the key is missing.
    // A number that does not parse leaves its field as it is; one outside the field's range
    // is clamped into it.
    void applySettings(std::optional<std::string> playto, std::optional<std::string> time,
        std::optional<std::string> zirkedAt, std::optional<std::string> newtiles, std::optional<std::string> fastgame,
        std::optional<std::string> typing);

    // What the settings file stores: the numbers as shown and the check states.
    app::StartWindowValues currentSettings() const;

    // Shows the window over the middle of `main` (or of the screen when there is none).
    void showCentredOn(QWidget* main);

    // Start: refused, with the reason shown beside the fields, while a number is outside its range.
    void onStartClicked();
    // The reason Start was refused, as shown; empty when none is.
    QString problemText() const;

protected:
    // Enter starts, as the default button does in a dialog; Escape closes, starting nothing.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Shows the first field's problem, or hides the reason; returns that field.
    QSpinBox* checkValues();

    QSpinBox* m_playtoscore = nullptr;
    QSpinBox* m_timeperturn = nullptr;
    QSpinBox* m_zirked = nullptr;
    QLabel* m_labelZirked = nullptr;
    QCheckBox* m_new = nullptr;
    QCheckBox* m_typing = nullptr;
    QCheckBox* m_fast = nullptr;
    QPushButton* m_buttonStart = nullptr;
    QLabel* m_problem = nullptr;
    bool m_fastHidden = false;
};
