#pragma once
// SIGINT and SIGTERM as a Qt signal on the event loop, so that both programs
// end through their normal shutdown (settings saved, word list file removed)
// instead of dying in the middle of it. SIGPIPE is ignored: a peer that
// vanished mid-write costs one connection, not the process.

#include <QObject>

class QSocketNotifier;

class QuitSignals : public QObject
{
    Q_OBJECT
public:
    // Installs the handlers; false (with nothing installed) when the system refuses.
    // One instance per process.
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

    bool installed() const { return m_notifier != nullptr; }

signals:
    void quitRequested();

private:
    QSocketNotifier* m_notifier = nullptr;
};
