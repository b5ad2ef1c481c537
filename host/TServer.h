#pragma once
// The game host's shell: the listening socket, one TSock per seat, one receive
// queue for every connection, prompt dispatch and the one-second turn timer.
// It adapts sockets and timers to host::Game; the rules decide everything.

#include "host/Game.h"
#include "net/TSock.h"

#include <QObject>

#include <memory>

class TServer : public QObject {
    Q_OBJECT
public:
    // port 0 lets the kernel choose (tests); the game uses 7772.
    explicit TServer(quint16 port = 7772, QObject* parent = nullptr);
    ~TServer() override;

    // The listening socket. hostpress sets Sock1->setListen(true), which raises
    // ESockException ("Listen - Error Binding Socket") when the port is taken.
    TSock* Sock1 = nullptr;

    quint16 port() const; // the bound port once listening

    host::Game& game();

    // The implementer adds the rest (handlers Sock1Accept, Sock1Read, socktimerTimer, ...).
};
