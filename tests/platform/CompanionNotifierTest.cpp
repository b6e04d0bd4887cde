// The close notification to the clip-export tool, against a real local
// socket server and against none.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "authoring/TempDir.h"
#include "desktop/CompanionNotifier.h"
#include "tests/platform/CompanionPeer.h"
#include "tests/support/GuiApp.h"

namespace korvane::testing {
namespace {

TEST(CompanionNotifier, SendsOneLittleEndianMessageWithoutAwaitingAReplyOrGivesUpWithinTheWait) {
    EnsureGuiApp();
    TempDir dir;
    const QString name = QString::fromStdString(dir.File("ClipExport"));  // no real tool is reached
    for (bool listening : {true, false}) {
        std::optional<CompanionPeer> peer;
        if (listening) { ASSERT_TRUE(peer.emplace(name).Listening()); }
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(NotifyCompanion(name), listening);
        EXPECT_LT(std::chrono::steady_clock::now() - start, kCompanionConnectWait + std::chrono::milliseconds(90));
        if (!listening) continue;
        const auto messages = peer->TakeMessages(2000);  // the peer wrote nothing back
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], QByteArray("\xE9\x07\0\0\1\0\0\0\1\0\0\0", 12));
    }
}

}  // namespace
}  // namespace korvane::testing
