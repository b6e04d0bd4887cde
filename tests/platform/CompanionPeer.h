// A stand-in for the clip-export tool: a local socket server that collects
// what each client wrote before it went away.
#pragma once

#include <QByteArray>
#include <QLocalServer>
#include <QLocalSocket>

#include <memory>
#include <vector>

namespace korvane::testing {

class CompanionPeer {
public:
    explicit CompanionPeer(const QString& name) { m_listening = m_server.listen(name); }
    bool Listening() const { return m_listening; }

    // Accepts the clients that connected so far (waiting up to wait ms for
    // the first one) and reads each to its end.
    std::vector<QByteArray> TakeMessages(int wait) {
        std::vector<QByteArray> messages;
        if (!m_server.hasPendingConnections() && !m_server.waitForNewConnection(wait)) return messages;
        while (std::unique_ptr<QLocalSocket> client{m_server.nextPendingConnection()}) {
            QByteArray bytes = client->readAll();
            while (client->state() == QLocalSocket::ConnectedState && client->waitForReadyRead(1000))
                bytes += client->readAll();
            messages.push_back(bytes + client->readAll());
        }
        return messages;
    }

private:
    QLocalServer m_server;
    bool m_listening = false;
};

}  // namespace korvane::testing
