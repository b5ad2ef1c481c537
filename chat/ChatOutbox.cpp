#include "ChatOutbox.h"

#include "ChatView.h"
#include "app/ColorText.h"

ChatOutbox::ChatOutbox(QObject* parent, chat::Speaker::Clock clock)
    : QObject(parent)
    , m_speaker(std::move(clock))
{
    setTextColor(Qt::black);
}

void ChatOutbox::setTextColor(const QColor& colour)
{
    m_colour = colour;
    m_speaker.setColourText(app::colorText(bgrFromColor(colour)));
}

bool ChatOutbox::emitIf(const std::optional<std::string>& message)
{
    if (!message)
        return false;
    emit send(QByteArray(message->data(), static_cast<qsizetype>(message->size())));
    return true;
}

bool ChatOutbox::sendit(const QString& typed, bool* clearInput)
{
    const chat::SendResult r = m_speaker.sendit(typed.toStdString());
    if (clearInput)
        *clearInput = r.clearInput;
    return emitIf(r.message);
}

bool ChatOutbox::sendPhrase(const QString& phrase) { return emitIf(m_speaker.phrase(phrase.toStdString())); }

bool ChatOutbox::sendChatterSound(int number) { return emitIf(m_speaker.chatterSound(number)); }
