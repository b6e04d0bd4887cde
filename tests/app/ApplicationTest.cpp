// Start-up: one player at a time, the recording named on the command line, the recent-file list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>

#include <QMenu>
#include <QMenuBar>

#include "app/Application.h"
#include "app/Commands.h"
#include "app/MainWindow.h"
#include "app/PlayerView.h"
#include "tests/app/Clip.h"
#include "tests/platform/HolderProcess.h"

namespace korvane::testing {
namespace {

int VisibleWindows() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return int(std::count_if(windows.cbegin(), windows.cend(), [](QWidget* widget) { return widget->isVisible(); }));
}

class ApplicationTest : public ::testing::Test {
protected:
    // Lock, companion and settings in the test's folder; ownScope: the application's own settings.
    Application::Options Options(bool ownScope = false) const {
        Application::Options options;
        options.lockFolder = QString::fromStdString(dir.File("run"));
        options.companionServer = QString::fromStdString(dir.File("ClipExport"));
        if (!ownScope)
            options.settings = std::make_unique<QSettings>(QString::fromStdString(dir.File("s.ini")), QSettings::IniFormat);
        return options;
    }
    TempDir dir;
    StderrNotifier notifier{false};
};

TEST_F(ApplicationTest, OnlyOnePlayerRunsAndARefusedStartMakesNoWindow) {
    StderrNotifier refused{false};
    {
        Application first(notifier, Options());  // the bare window, at least its minimum wide
        ASSERT_TRUE(first.InitInstance(""));
        EXPECT_EQ(first.MainFrame()->View()->Shown(), nullptr);
        EXPECT_GE(first.MainFrame()->width(), 360);
        Application second(refused, Options());
        EXPECT_FALSE(second.InitInstance(""));
        EXPECT_EQ(second.MainFrame(), nullptr);
        EXPECT_EQ(VisibleWindows(), 1);
        EXPECT_TRUE(first.MainFrame()->isVisible());
    }
    {
        HolderProcess other(Options().lockFolder);  // a player in another process
        ASSERT_EQ(other.Outcome(), QStringLiteral("Acquired"));
        EXPECT_FALSE(Application(refused, Options()).InitInstance(""));
    }
    Application::Options blocked = Options();
    blocked.lockFolder = QString::fromStdString(dir.Write("in-the-way", std::string("x")) + "/run");
    EXPECT_FALSE(Application(refused, std::move(blocked)).InitInstance(""));
    EXPECT_EQ(refused.Messages(), (std::vector<std::string>{kAlreadyRunningText, kAlreadyRunningText, kProgramErrorText}));
    EXPECT_EQ(VisibleWindows(), 0);
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST_F(ApplicationTest, OpensTheRecordingNamedWithOrWithoutQuotes) {
    const char* bare[] = {"korvane"};
    EXPECT_EQ(Application::JoinCommandLine(1, bare), "");
    const std::string path = WriteClip(dir, "cam one.MP4");
    const std::string head = path.substr(0, path.find(' ')), tail = path.substr(path.find(' ') + 1);
    const std::string quoted = "\"" + path + "\"";
    const char* split[] = {"korvane", head.c_str(), tail.c_str()};
    const char* whole[] = {"korvane", quoted.c_str()};
    for (const std::string& commandLine : {Application::JoinCommandLine(3, split), Application::JoinCommandLine(2, whole)}) {
        Application app(notifier, Options());
        ASSERT_TRUE(app.InitInstance(commandLine));
        EXPECT_EQ(app.MainFrame()->windowTitle().toStdString(), path) << commandLine;
        ASSERT_NE(app.MainFrame()->View()->Shown(), nullptr) << commandLine;
        EXPECT_EQ(app.MainFrame()->View()->Shown()->caption, ClipCaption(0));
    }
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST_F(ApplicationTest, EveryRecordingOpenedGoesToTheRecentFilesInTheOwnSettings) {
    QStandardPaths::setTestModeEnabled(true);
    QSettings scope(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Korvane"));
    scope.clear();
    const auto path = [&](const char* name) { return QString::fromStdString(dir.File(name)); };
    for (const char* name : {"a.MP4", "b.MP4", "c.MP4", "d.MP4", "e.MP4"}) WriteClip(dir, name, 1);
    // The last opened first, four at most; a file that would not open is not among them.
    const QStringList recent = {path("c.MP4"), path("e.MP4"), path("d.MP4"), path("b.MP4")};
    {
        Application app(notifier, Options(true));
        ASSERT_TRUE(app.InitInstance(dir.File("a.MP4")));
        for (const char* name : {"b.MP4", "c.MP4", "missing.MP4", "d.MP4", "e.MP4", "c.MP4"})
            DropFiles(app.MainFrame()->View(), {dir.File(name)});
        EXPECT_EQ(app.RecentFiles(), recent);
        app.MainFrame()->CommandAction(ID_KEEP_PROPORTIONS)->trigger();  // off, and remembered
    }
    scope.sync();
    EXPECT_EQ(scope.value(QStringLiteral("Recent File List/File1")).toString(), path("c.MP4"));
    EXPECT_EQ(scope.value(QStringLiteral("Recent File List/File4")).toString(), path("b.MP4"));
    Application next(notifier, Options(true));
    ASSERT_TRUE(next.InitInstance(""));
    EXPECT_EQ(next.RecentFiles(), recent);
    EXPECT_FALSE(next.MainFrame()->View()->KeepProportions());
    // FILE lists them between Open and Exit; the dialog starts in their folder.
    EXPECT_EQ(next.MainFrame()->View()->DialogFolder(), QString::fromStdString(dir.Path().string()));
    QMenu* file = next.MainFrame()->Menu()->actions()[0]->menu();
    file->popup(QPoint(0, 0));
    file->hide();
    QStringList listed;
    QAction* second = nullptr;
    for (QAction* action : file->actions())
        if (action->text().startsWith(QLatin1Char('&'))) {
            listed.push_back(action->text().section(QLatin1Char(' '), 1));
            if (listed.size() == 2) second = action;
        }
    EXPECT_EQ(listed, recent);
    ASSERT_NE(second, nullptr);
    second->trigger();
    EXPECT_EQ(next.MainFrame()->windowTitle(), path("e.MP4"));
    scope.clear();
    QStandardPaths::setTestModeEnabled(false);
}

}  // namespace
}  // namespace korvane::testing
