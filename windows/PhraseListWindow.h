#pragma once
// The phrase window "Zirky - Phrase Buttons": nine fields, one per phrase
// button. "Done" hands the phrases back to the buttons, stores them as
// "Phrase1".."Phrase9" in the settings file (keeping every other line of it)
// and closes.

#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <string>

class QLineEdit;
class QPushButton;

class PhraseListWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kFields = 9;
    static constexpr int kMaxLength = 50;

    explicit PhraseListWindow(const QPixmap& background, QWidget* parent = nullptr);

    // Where "Done" stores the phrases; empty: not stored.
    void setSettingsPath(std::string path) { m_settingsPath = std::move(path); }
    // "Phrase List": the buttons' phrases into the fields, then shown.
    void showPhrases(const QStringList& phrases);
    QStringList phrases() const;

    void onDoneClicked();

    // Where a failure to store the phrases is told (stderr by default).
    std::function<void(const std::string&)> log;

signals:
    // "Done": the buttons take these phrases.
    void phrasesChanged(const QStringList& phrases);

private:
    std::array<QLineEdit*, kFields> m_edits {};
    QPushButton* m_done = nullptr;
    std::string m_settingsPath;
};
