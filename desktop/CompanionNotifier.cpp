#include "desktop/CompanionNotifier.h"

#include <QLocalSocket>

#include <array>
#include <cstdint>

namespace korvane {
namespace {

void PutLittleEndian(char* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

bool NotifyCompanion(const QString& serverName, std::chrono::milliseconds connectWait) {
    QLocalSocket socket;
    socket.connectToServer(serverName, QIODevice::WriteOnly);
    if (!socket.waitForConnected(static_cast<int>(connectWait.count()))) return false;

    std::array<char, 12> message{};
    PutLittleEndian(message.data(), kCompanionMessage);
    PutLittleEndian(message.data() + 4, 1);
    PutLittleEndian(message.data() + 8, 1);
    if (socket.write(message.data(), message.size()) != static_cast<qint64>(message.size())) return false;
    // Hand the bytes to the system, then leave; the tool's reply is not read.
    socket.flush();
    if (socket.bytesToWrite() > 0) socket.waitForBytesWritten(static_cast<int>(connectWait.count()));
    const bool sent = socket.bytesToWrite() == 0;
    socket.abort();
    return sent;
}

}  // namespace korvane
