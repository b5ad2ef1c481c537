#include "Sounds.h"

#include "Speaker.h"
#include "net/Text.h"

#include <cstdio>

#ifdef ZIRKY_HAVE_MULTIMEDIA
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>
#endif

QStringList Sounds::names()
{
    static const QStringList all = [] {
        QStringList list;
        for (std::string_view n : chat::kGameSounds)
            list << QString::fromLatin1(n.data(), static_cast<qsizetype>(n.size()));
        for (int n = 1; n <= chat::kChatterCount; ++n)
            list << QStringLiteral("wave%1").arg(n);
        return list;
    }();
    return all;
}

Sounds::Sounds(QObject* parent)
    : QObject(parent)
{
    // Before the settings file is read: sounds on, chatter sounds off.
    if (qEnvironmentVariable("ZIRKY_NO_SOUND") == "1") {
        sayOnce("sounds are off (ZIRKY_NO_SOUND=1)");
        return;
    }
#ifdef ZIRKY_HAVE_MULTIMEDIA
    // Qt's audio layer talks to the sound server and complains when there is
    // none; the one line below says it better.
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (!text.contains(QLatin1String("PulseAudio")))
            previous(type, context, text);
    });
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    qInstallMessageHandler(previous);
    if (device.isNull()) {
        sayOnce("no audio output device; the game stays silent");
        return;
    }
    m_audible = true;
    for (const QString& name : names()) {
        auto* effect = new QSoundEffect(device, this);
        effect->setSource(QUrl(QStringLiteral("qrc:/sounds/%1.wav").arg(name)));
        connect(effect, &QSoundEffect::statusChanged, this, [this, effect, name] {
            if (effect->status() == QSoundEffect::Error)
                sayOnce("cannot play the sound \"" + name + "\"; sounds may stay silent");
        });
        m_effects.insert(name, effect);
    }
#else
    sayOnce("built without Qt Multimedia; the game stays silent");
#endif
}

Sounds::~Sounds() = default;

void Sounds::sayOnce(const QString& why)
{
    if (m_said)
        return;
    m_said = true;
    std::fprintf(stderr, "zirky: %s\n", why.toUtf8().constData());
}

void Sounds::playSound(const QString& name)
{
    if (!m_playSounds)
        return;
    const QString key = name.toLower();
    if (!names().contains(key)) {
        // The name may have come from a peer.
        std::fprintf(stderr, "zirky: no sound named \"%s\"\n", net::printable(name.left(40).toStdString()).c_str());
        return;
    }
#ifdef ZIRKY_HAVE_MULTIMEDIA
    if (QSoundEffect* effect = m_effects.value(key))
        effect->play();
#endif
    emit played(key);
}

void Sounds::playTurn()
{
    const std::string_view name = chat::turnSoundName(m_turnSound);
    playSound(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
}
