// The single-instance lock between objects of one process, against a real
// second process, and after a holder has died.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include "desktop/SingleInstance.h"
#include "tests/platform/HolderProcess.h"
#include "tests/support/GuiApp.h"
#include "authoring/TempDir.h"

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
    EXPECT_TRUE(QFileInfo::exists(first->LockFilePath()));

    SingleInstance second(Folder());
    EXPECT_EQ(second.Acquire(), InstanceLock::AlreadyRunning);
    EXPECT_TRUE(QFileInfo::exists(first->LockFilePath())) << "the refused start must leave the lock alone";

    first.reset();
    EXPECT_FALSE(QFileInfo::exists(second.LockFilePath()));
    EXPECT_EQ(second.Acquire(), InstanceLock::Acquired);
}

TEST_F(SingleInstanceTest, LockHeldByAnotherProcessIsRefusedAndFreedWhenItEnds) {
    HolderProcess holder(Folder());
    ASSERT_EQ(holder.Outcome(), QStringLiteral("Acquired"));

    SingleInstance mine(Folder());
    EXPECT_EQ(mine.Acquire(), InstanceLock::AlreadyRunning);

    ASSERT_TRUE(holder.Release());
    EXPECT_EQ(mine.Acquire(), InstanceLock::Acquired);
}

TEST_F(SingleInstanceTest, AnotherProcessIsRefusedWhileThisOneHoldsTheLock) {
    SingleInstance mine(Folder());
    ASSERT_EQ(mine.Acquire(), InstanceLock::Acquired);
    HolderProcess second(Folder());
    EXPECT_EQ(second.Outcome(), QStringLiteral("AlreadyRunning"));
}

TEST_F(SingleInstanceTest, LockLeftByAKilledProcessIsTakenOver) {
    HolderProcess holder(Folder());
    ASSERT_EQ(holder.Outcome(), QStringLiteral("Acquired"));
    ASSERT_TRUE(holder.Kill());

    SingleInstance mine(Folder());
    ASSERT_TRUE(QFileInfo::exists(mine.LockFilePath())) << "the killed holder left its lock file";
    EXPECT_EQ(mine.Acquire(), InstanceLock::Acquired);
    // Ours now: another process is refused.
    HolderProcess next(Folder());
    EXPECT_EQ(next.Outcome(), QStringLiteral("AlreadyRunning"));
}

TEST_F(SingleInstanceTest, UnreadableLeftoverLockFileIsTakenOver) {
    // A crash while the lock file was being written leaves it cut short.
    dir.Write("Avoid Second Korvane.lock", std::string("12"));
    SingleInstance mine(Folder());
    EXPECT_EQ(mine.Acquire(), InstanceLock::Acquired);
}

TEST_F(SingleInstanceTest, FolderThatCannotBeMadeIsAnError) {
    // A plain file stands where the lock's folder would have to be.
    const std::string blocker = dir.Write("not-a-folder", std::string("x"));
    SingleInstance mine(QString::fromStdString(blocker + "/runtime"));
    EXPECT_EQ(mine.Acquire(), InstanceLock::Error);
}

}  // namespace
}  // namespace korvane::testing
