// The desktop services against the real thing: message boxes answered from
// the event loop, the single-instance lock with a second process, the
// companion notification to a local socket server, the recent-file list.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "authoring/TempDir.h"
#include "desktop/CompanionNotifier.h"
#include "desktop/QtNotifier.h"
#include "desktop/RecentFileList.h"
#include "desktop/SingleInstance.h"
#include "tests/platform/CompanionPeer.h"
#include "tests/platform/HolderProcess.h"
#include "tests/support/GuiApp.h"

namespace korvane::testing {

// Notes each box shown, on the thread that shows it, and clicks its OK button
// late, so that a caller that did not wait would be back first.
class BoxAnswerer : public QObject {
public:
    BoxAnswerer() { qApp->installEventFilter(this); }
    ~BoxAnswerer() override { qApp->removeEventFilter(this); }
    QStringList shown;  // title | text | plain text | only OK | modal | on the GUI thread
    std::atomic<bool> answered{false};

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* box = qobject_cast<QMessageBox*>(object);
        if (box == nullptr || event->type() != QEvent::Show) return false;
        shown << QStringLiteral("%1|%2|%3|%4|%5|%6")
                     .arg(box->windowTitle(), box->text())
                     .arg(box->textFormat() == Qt::PlainText)
                     .arg(box->buttons().size() == 1 && box->button(QMessageBox::Ok))
                     .arg(box->isModal())
                     .arg(QThread::currentThread() == qApp->thread());
        QTimer::singleShot(150, box, [this, box] { answered = true, box->button(QMessageBox::Ok)->click(); });
        return false;
    }
};

namespace {

class DesktopServicesTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApp(); }
    QString Path(const std::string& name) const { return QString::fromStdString(dir.File(name)); }
    QString Folder() const { return QString::fromStdString(dir.Path().string()); }
    TempDir dir;
};

// On the GUI thread the call returns with the answer; from another thread the
// box is handed to the GUI thread and the caller goes on at once.
TEST_F(DesktopServicesTest, QtNotifier_ShowsPlainTextOnTheGuiThread) {
    QtNotifier notifier;
    const QString text = QStringLiteral("error =2  <b>/recordings/cam1.MP4</b>");
    for (bool fromWorker : {false, true}) {
        BoxAnswerer answerer;
        std::atomic<bool> answeredBeforeReturn{false}, done{false};
        const auto show = [&] {
            notifier.ShowMessage(text.toStdString());
            answeredBeforeReturn = answerer.answered.load(), done = true;
        };
        std::thread worker;
        if (fromWorker) worker = std::thread(show);
        else show();
        EXPECT_TRUE(QTest::qWaitFor([&] { return done.load() && answerer.answered.load(); }, 10000));
        if (worker.joinable()) worker.join();
        if (!fromWorker) { EXPECT_TRUE(answeredBeforeReturn); }
        EXPECT_EQ(answerer.shown, QStringList{"Korvane|" + text + "|1|1|1|1"}) << fromWorker;
    }
}

TEST_F(DesktopServicesTest, SingleInstance_TakesOverTheLockOfADeadProcessOrACutShortOne_FailsWithoutAFolder) {
    HolderProcess holder(Folder());
    ASSERT_EQ(holder.Outcome(), QStringLiteral("Acquired"));
    SingleInstance mine(Folder());
    EXPECT_EQ(mine.Acquire(), InstanceLock::AlreadyRunning);
    EXPECT_EQ(QFileInfo(mine.LockFilePath()).fileName(), QStringLiteral("Avoid Second Korvane.lock"));
    ASSERT_TRUE(holder.Kill());
    // The killed holder left its lock file, and the refused start left it alone.
    ASSERT_TRUE(QFileInfo::exists(mine.LockFilePath()));
    EXPECT_EQ(mine.Acquire(), InstanceLock::Acquired);
    EXPECT_EQ(HolderProcess(Folder()).Outcome(), QStringLiteral("AlreadyRunning"));  // ours now

    TempDir other;  // a crash while the lock file was written left it cut short
    other.Write("Avoid Second Korvane.lock", std::string("12"));
    EXPECT_EQ(SingleInstance(QString::fromStdString(other.Path().string())).Acquire(), InstanceLock::Acquired);
    const std::string blocker = dir.Write("not-a-folder", std::string("x"));  // where the lock's folder would go
    EXPECT_EQ(SingleInstance(QString::fromStdString(blocker + "/runtime")).Acquire(), InstanceLock::Error);
}

TEST_F(DesktopServicesTest, NotifyCompanion_SendsOneLittleEndianMessageWithoutAwaitingAReplyOrGivesUpInTime) {
    for (bool listening : {true, false}) {
        std::optional<CompanionPeer> peer;
        if (listening) { ASSERT_TRUE(peer.emplace(Path("ClipExport")).Listening()); }
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(NotifyCompanion(Path("ClipExport")), listening);
        EXPECT_LT(std::chrono::steady_clock::now() - start, kCompanionConnectWait + std::chrono::milliseconds(90));
        if (listening) {  // the peer wrote nothing back
            EXPECT_EQ(peer->TakeMessages(2000), std::vector{QByteArray("\xE9\x07\0\0\1\0\0\0\1\0\0\0", 12)});
        }
    }
}

TEST_F(DesktopServicesTest, RecentFileList_KeepsTheFourNewestOnceEachAbsoluteAndAcrossARestart) {
    const auto settings = [&] { return std::make_unique<QSettings>(Path("settings.ini"), QSettings::IniFormat); };
    const QString cam1 = QDir::current().absoluteFilePath("cam1.MP4");
    {
        RecentFileList list(settings());
        for (const char* name : {"a.MP4", "b.MP4", "c.MP4", "d.MP4", "e.MP4", "c.MP4"}) list.Add(Path(name));
        EXPECT_EQ(list.Files(), (QStringList{Path("c.MP4"), Path("e.MP4"), Path("d.MP4"), Path("b.MP4")}));
        list.Add(Folder() + "/./sub/../d.MP4");  // the same file named another way
        list.Add(QStringLiteral("cam1.MP4"));    // stored absolute
        EXPECT_EQ(list.Files(), (QStringList{cam1, Path("d.MP4"), Path("c.MP4"), Path("e.MP4")}));
    }
    // An older version or a hand edit left a fifth entry and a duplicate.
    settings()->setValue("RecentFiles/File5", Path("old.MP4"));
    settings()->setValue("RecentFiles/File4", Path("d.MP4"));
    RecentFileList reopened(settings());
    EXPECT_EQ(reopened.Files(), (QStringList{cam1, Path("d.MP4"), Path("c.MP4")}));
    reopened.Add(Path("f.MP4"));
    reopened.Add(Path("g.MP4"));
    const auto raw = settings();
    raw->beginGroup(QStringLiteral("RecentFiles"));
    EXPECT_EQ(raw->childKeys(), (QStringList{"File1", "File2", "File3", "File4"}));
    EXPECT_EQ(raw->value("File1").toString(), Path("g.MP4"));
    EXPECT_EQ(raw->value("File4").toString(), Path("d.MP4"));
}

}  // namespace
}  // namespace korvane::testing
