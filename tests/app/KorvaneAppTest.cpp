// Start-up of the application: one player at a time, the window it brings
// up, the recording named on the command line, and the recent-file list in
// the application's own settings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenuBar>
#include <QSettings>
#include <QStandardPaths>

#include "app/Application.h"
#include "app/MainWindow.h"
#include "playback/PlayerView.h"
#include "tests/platform/HolderProcess.h"
#include "authoring/FrameSource.h"
#include "tests/support/GuiApp.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"

namespace korvane::testing {
namespace {

const std::string kH264 = std::string(KORVANE_TEST_DATA) + "/h264_704x480.h264";

int VisibleWindows() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) count += widget->isVisible() ? 1 : 0;
    return count;
}

class KorvaneAppTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApp(); }

    Application::Options Options() const {
        Application::Options options;
        options.lockFolder = QString::fromStdString(dir.File("run"));
        options.companionServer = QString::fromStdString(dir.File("ClipExport"));
        options.settings =
            std::make_unique<QSettings>(QString::fromStdString(dir.File("settings.ini")), QSettings::IniFormat);
        return options;
    }

    std::string WriteRecording(const std::string& name) const {
        const auto frames = ReadVideoFrames(kH264);
        RecordingWriter w(kFileKind514);
        w.Header().setPlayCamera(0, 1);
        w.Header().setNameCamera(0, 1);
        w.AddVideo(0, 10, kFrameKey, frames.at(0).bytes, MakeTime(2025, 5, 6, 7, 8, 0, 0));
        const std::string path = dir.File(name);
        w.WriteFile(path);
        return path;
    }

    TempDir dir;
    StderrNotifier notifier{false};
};

TEST_F(KorvaneAppTest, SecondStartIsRefusedWithoutAWindowAndLeavesTheFirstAlone) {
    Application first(notifier, Options());
    ASSERT_TRUE(first.InitInstance(""));
    ASSERT_NE(first.MainFrame(), nullptr);
    EXPECT_TRUE(first.MainFrame()->isVisible());

    StderrNotifier secondNotifier{false};
    Application second(secondNotifier, Options());
    EXPECT_FALSE(second.InitInstance(""));
    EXPECT_EQ(secondNotifier.Messages(), std::vector<std::string>{"program is running."});
    EXPECT_EQ(second.MainFrame(), nullptr);
    EXPECT_EQ(VisibleWindows(), 1) << "only the first player's window";

    EXPECT_TRUE(first.MainFrame()->isVisible());
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST_F(KorvaneAppTest, StartIsRefusedWhileAPlayerRunsInAnotherProcess) {
    const Application::Options options = Options();
    HolderProcess other(options.lockFolder);
    ASSERT_EQ(other.Outcome(), QStringLiteral("Acquired"));

    Application app(notifier, Options());
    EXPECT_FALSE(app.InitInstance(""));
    EXPECT_EQ(notifier.Messages(), std::vector<std::string>{"program is running."});
    EXPECT_EQ(app.MainFrame(), nullptr);
    EXPECT_EQ(VisibleWindows(), 0);
}

TEST_F(KorvaneAppTest, LockThatCannotBeMadeIsAProgramError) {
    Application::Options options = Options();
    options.lockFolder = QString::fromStdString(dir.Write("in-the-way", std::string("x")) + "/run");
    Application app(notifier, std::move(options));
    EXPECT_FALSE(app.InitInstance(""));
    EXPECT_EQ(notifier.Messages(), std::vector<std::string>{"Program Error"});
    EXPECT_EQ(app.MainFrame(), nullptr);
    EXPECT_EQ(VisibleWindows(), 0);
}

TEST_F(KorvaneAppTest, StartWithoutARecordingShowsTheBareFrame) {
    Application app(notifier, Options());
    ASSERT_TRUE(app.InitInstance(""));
    MainWindow* frame = app.MainFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(frame->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_FALSE(frame->Menu()->isVisible());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Korvane"));
    ASSERT_NE(frame->View(), nullptr);
    EXPECT_EQ(frame->View()->parentWidget(), frame->centralWidget());
    EXPECT_FALSE(frame->View()->FileOpen());
    // The view sizes the window below the frame's minimum; the minimum holds.
    EXPECT_GE(frame->width(), 360);
    EXPECT_GE(frame->height(), 320);
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST_F(KorvaneAppTest, UnquotedPathWithASpaceArrivesWholeAndIsOpened) {
    const std::string path = WriteRecording("cam one.MP4");
    const std::string head = path.substr(0, path.find(' '));
    const std::string tail = path.substr(path.find(' ') + 1);
    const char* argv[] = {"korvane", head.c_str(), tail.c_str()};
    const std::string commandLine = Application::JoinCommandLine(3, argv);
    EXPECT_EQ(commandLine, path);

    Application app(notifier, Options());
    ASSERT_TRUE(app.InitInstance(commandLine));
    PlayerView* view = app.MainFrame()->View();
    EXPECT_TRUE(view->FileOpen());
    EXPECT_EQ(view->FilePath(), path);
    EXPECT_EQ(app.MainFrame()->windowTitle().toStdString(), path);
    EXPECT_EQ(view->Caption(), "CAM =1  2025-05-06 07:08:00  000");
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST_F(KorvaneAppTest, QuotedPathIsOpenedWithoutItsQuotes) {
    const std::string path = WriteRecording("cam two.MP4");
    const std::string quoted = "\"" + path + "\"";
    const char* argv[] = {"korvane", quoted.c_str()};
    Application app(notifier, Options());
    ASSERT_TRUE(app.InitInstance(Application::JoinCommandLine(2, argv)));
    EXPECT_TRUE(app.MainFrame()->View()->FileOpen());
    EXPECT_EQ(app.MainFrame()->View()->FilePath(), path);
}

TEST_F(KorvaneAppTest, NoArgumentsGiveAnEmptyCommandLine) {
    const char* argv[] = {"korvane"};
    EXPECT_EQ(Application::JoinCommandLine(1, argv), "");
}

TEST_F(KorvaneAppTest, RecentFilesGoToTheApplicationsOwnSettings) {
    QStandardPaths::setTestModeEnabled(true);
    QSettings scope(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Korvane"));
    scope.clear();
    scope.sync();

    Application::Options options = Options();
    options.settings.reset();  // the application's own scope
    {
        Application app(notifier, std::move(options));
        ASSERT_TRUE(app.InitInstance(""));
        for (const char* name : {"a.MP4", "b.MP4", "c.MP4", "d.MP4", "e.MP4", "c.MP4"})
            app.AddRecentFile(dir.File(name));
        const auto path = [&](const char* name) { return QString::fromStdString(dir.File(name)); };
        EXPECT_EQ(app.RecentFiles(), (QStringList{path("c.MP4"), path("e.MP4"), path("d.MP4"), path("b.MP4")}));
    }
    scope.sync();
    EXPECT_EQ(scope.value(QStringLiteral("Recent File List/File1")).toString(),
              QString::fromStdString(dir.File("c.MP4")));
    EXPECT_EQ(scope.value(QStringLiteral("Recent File List/File4")).toString(),
              QString::fromStdString(dir.File("b.MP4")));
    EXPECT_FALSE(scope.contains(QStringLiteral("Recent File List/File5")));

    // The next start finds the list again.
    Application::Options again = Options();
    again.settings.reset();
    Application next(notifier, std::move(again));
    ASSERT_TRUE(next.InitInstance(""));
    EXPECT_EQ(next.RecentFiles().size(), 4);
    EXPECT_EQ(next.RecentFiles().front(), QString::fromStdString(dir.File("c.MP4")));

    scope.clear();
    QStandardPaths::setTestModeEnabled(false);
}

}  // namespace
}  // namespace korvane::testing
