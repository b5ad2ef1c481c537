#pragma once
// Everything this player says leaves through here: the chat input, the phrase
// buttons and the chatter-sound menu share one seat, one connection state and
// one text colour, and hand their messages to the main window to send.

#include "Speaker.h"

#include <QByteArray>
#include <QColor>
#include <QObject>

class ChatOutbox : public QObject
{
    Q_OBJECT
public:
    // The clock measures the phrase cool-down; tests pass their own.
    explicit ChatOutbox(QObject* parent = nullptr, chat::Speaker::Clock clock = std::chrono::steady_clock::now);

    void setSeat(int seat) { m_speaker.setSeat(seat); }
    void setConnected(bool connected) { m_speaker.setConnected(connected); }
    // The "Text Color": sent with every line this player writes.
    void setTextColor(const QColor& colour);
    QColor textColor() const { return m_colour; }
    const chat::Speaker& speaker() const { return m_speaker; }

    // Each returns whether a message went out.
    bool sendit(const QString& typed, bool* clearInput = nullptr);
    bool sendPhrase(const QString& phrase);
    bool sendChatterSound(int number);

signals:
    // A framed message for the host.
    void send(const QByteArray& bytes);

private:
    bool emitIf(const std::optional<std::string>& message);

    chat::Speaker m_speaker;
    QColor m_colour = Qt::black;
};
