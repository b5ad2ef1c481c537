#pragma once
// The game's sounds: the fourteen event sounds and the twenty chatter sounds,
// compiled into the program and loaded once at start so that each plays at
// once and never holds up the game. Without an audio device (or a build
// without Qt Multimedia) the game stays silent and says so in one line.

#include <QHash>
#include <QObject>
#include <QString>

class QSoundEffect;

class Sounds : public QObject
{
    Q_OBJECT
public:
    explicit Sounds(QObject* parent = nullptr);
    ~Sounds() override;

    // Plays a sound by name ("puttile", "goodword", "wave7", any case) when
    // "Play Sounds" is on. Unknown names are ignored and logged.
    void playSound(const QString& name);
    // "turn" or "turnnew", as the "Turn Sound" option says.
    void playTurn();

    void setPlaySounds(bool on) { m_playSounds = on; }
    bool playSounds() const { return m_playSounds; }
    void setTurnSound(int setting) { m_turnSound = setting; }
    int turnSound() const { return m_turnSound; }

    // False when sounds cannot be heard here (no device, no sound support).
    bool audible() const { return m_audible; }
    // Every sound name, as the resources hold them (":/sounds/<name>.wav").
    static QStringList names();

signals:
    // A sound was started (also when there is no device to hear it on).
    void played(const QString& name);

private:
    void sayOnce(const QString& why);

    QHash<QString, QSoundEffect*> m_effects;
    bool m_playSounds = true;
    int m_turnSound = 0;
    bool m_audible = false;
    bool m_said = false;
};
