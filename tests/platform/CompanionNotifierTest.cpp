// The close notification to the clip-export tool, against a real local
// socket server and against none.
#include <gtest/gtest.h>

#include <chrono>

#include "desktop/CompanionNotifier.h"
#include "tests/platform/CompanionPeer.h"
#include "tests/support/GuiApp.h"
#include "authoring/TempDir.h"

namespace korvane::testing {
namespace {

using Clock = std::chrono::steady_clock;
using Words = std::array<std::uint32_t, 3>;

class CompanionNotifierTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApp(); }
    // A socket path of this test's own, so that no real tool is reached.
    QString ServerName() const { return QString::fromStdString(dir.File("ClipExport")); }
    TempDir dir;
};

TEST_F(CompanionNotifierTest, ListeningPeerGetsOneTwelveByteMessageAndNoReplyIsAwaited) {
    CompanionPeer peer(ServerName());
    ASSERT_TRUE(peer.Listening());

    // The peer accepts nothing and writes nothing back while we notify.
    const auto start = Clock::now();
    EXPECT_TRUE(NotifyCompanion(ServerName()));
    EXPECT_LT(Clock::now() - start, kCompanionConnectWait * 2);

    const auto messages = peer.TakeMessages(2000);
    ASSERT_EQ(messages.size(), 1u);
    ASSERT_EQ(messages[0].size(), 12);
    EXPECT_EQ(CompanionPeer::Words(messages[0]), (Words{2025, 1, 1}));
    // Little-endian on the wire whatever the machine.
    EXPECT_EQ(messages[0].left(4), QByteArray("\xE9\x07\x00\x00", 4));
}

TEST_F(CompanionNotifierTest, NoServerGivesUpWithinTheConnectWait) {
    const auto start = Clock::now();
    EXPECT_FALSE(NotifyCompanion(ServerName()));
    EXPECT_LT(Clock::now() - start, kCompanionConnectWait + std::chrono::milliseconds(100));
}

}  // namespace
}  // namespace korvane::testing
