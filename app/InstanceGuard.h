#pragma once
// One copy of the game per user: the first copy answers on a local socket,
// a second copy asks it to come to the front (and to open an invite link it
// was started with) and then ends.

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;

class InstanceGuard : public QObject
{
    Q_OBJECT
public:
    // `name` is the socket's name in the user's runtime directory; an empty
    // name turns the guard off (tests that run several copies at once).
    explicit InstanceGuard(const QString& name = "kivard", QObject* parent = nullptr);
    ~InstanceGuard() override;

    // True when another copy answered (and was asked to show itself): this copy must end.
    // Otherwise this copy now answers for the name; a stale socket left by a
    // crashed copy is removed first.
    bool anotherInstanceRunning(int waitMs = 1000);

    // What a second copy hands to the first besides coming to the front: an
    // invite link it was started with. Set before anotherInstanceRunning().
    void setHandOver(const QString& link) { m_handOver = link; }

    // Called in the first copy when a second one starts.
    std::function<void()> onActivate;
    // Then, when the second copy handed over a link: the text as it came
    // (from a local program of this user, but still not checked).
    std::function<void(const QString& link)> onOpenLink;

    bool listening() const;

private:
    void acceptActivation();

    QString m_name;
    QString m_handOver;
    QLocalServer* m_server = nullptr;
};

// Brings a window back from minimised and to the front.
class QWidget;
void restoreAndRaise(QWidget* window);
