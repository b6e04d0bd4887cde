// The single-instance lock between objects of one process, against a real
// second process, and after a holder has died.
#include <gtest/gtest.h>

#include <QFileInfo>

#include "authoring/TempDir.h"
#include "desktop/SingleInstance.h"
#include "tests/platform/HolderProcess.h"
#include "tests/support/GuiApp.h"

namespace korvane::testing {
namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApp(); }
    QString Folder() const { return QString::fromStdString(dir.Path().string()); }
    TempDir dir;
};

TEST_F(SingleInstanceTest, SecondLockInOneProcessIsRefusedUntilTheFirstGoes) {
    auto first = std::make_unique<SingleInstance>(Folder());
    ASSERT_EQ(first->Acquire(), InstanceLock::Acquired);
    EXPECT_EQ(QFileInfo(first->LockFilePath()).fileName(), QStringLiteral("Avoid Second Korvane.lock"));
    SingleInstance second(Folder());
    EXPECT_EQ(second.Acquire(), InstanceLock::AlreadyRunning);
    EXPECT_TRUE(QFileInfo::exists(first->LockFilePath())) << "the refused start must leave the lock alone";
    first.reset();
    EXPECT_EQ(second.Acquire(), InstanceLock::Acquired);
}

TEST_F(SingleInstanceTest, LockOfAnotherProcessIsRefusedAndTakenOverOnceItDied) {
    HolderProcess holder(Folder());
    ASSERT_EQ(holder.Outcome(), QStringLiteral("Acquired"));
    SingleInstance mine(Folder());
    EXPECT_EQ(mine.Acquire(), InstanceLock::AlreadyRunning);
    ASSERT_TRUE(holder.Kill());
    ASSERT_TRUE(QFileInfo::exists(mine.LockFilePath())) << "the killed holder left its lock file";
    EXPECT_EQ(mine.Acquire(), InstanceLock::Acquired);
    HolderProcess next(Folder());  // ours now: another process is refused
    EXPECT_EQ(next.Outcome(), QStringLiteral("AlreadyRunning"));
}

TEST_F(SingleInstanceTest, CutShortLeftoverLockIsTakenOverAndAnUnmakeableFolderIsAnError) {
    // A crash while the lock file was being written leaves it cut short.
    dir.Write("Avoid Second Korvane.lock", std::string("12"));
    EXPECT_EQ(SingleInstance(Folder()).Acquire(), InstanceLock::Acquired);
    // A plain file stands where the lock's folder would have to be.
    const std::string blocker = dir.Write("not-a-folder", std::string("x"));
    EXPECT_EQ(SingleInstance(QString::fromStdString(blocker + "/runtime")).Acquire(), InstanceLock::Error);
}

}  // namespace
}  // namespace korvane::testing
