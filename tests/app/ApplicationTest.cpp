// Start-up: one player at a time, the recording named on the command line, the recent-file list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileInfo>

#include <filesystem>
#include <QSettings>
#include <QStandardPaths>

#include <QMenu>
#include <QMenuBar>

#include "app/Application.h"
#include "app/Actions.h"
#include "desktop/Settings.h"
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
        ASSERT_TRUE(first.Start(QString()));
        EXPECT_EQ(first.MainFrame()->View()->Shown(), nullptr);
        EXPECT_GE(first.MainFrame()->width(), 360);
        Application second(refused, Options());
        EXPECT_FALSE(second.Start(QString()));
        EXPECT_EQ(second.MainFrame(), nullptr);
        EXPECT_EQ(VisibleWindows(), 1);
        EXPECT_TRUE(first.MainFrame()->isVisible());
    }
    {
        HolderProcess other(Options().lockFolder);  // a player in another process
        ASSERT_EQ(other.Outcome(), QStringLiteral("Acquired"));
        EXPECT_FALSE(Application(refused, Options()).Start(QString()));
    }
    Application::Options blocked = Options();
    blocked.lockFolder = QString::fromStdString(dir.Write("in-the-way", std::string("x")) + "/run");
    EXPECT_FALSE(Application(refused, std::move(blocked)).Start(QString()));
    EXPECT_EQ(refused.Messages(), (std::vector<std::string>{kAlreadyRunningText, kAlreadyRunningText, kProgramErrorText}));
    EXPECT_EQ(VisibleWindows(), 0);
    EXPECT_TRUE(notifier.Messages().empty());
}

// The path comes whole from the command line: spaces, and no length limit.
TEST_F(ApplicationTest, OpensTheRecordingNamedWhateverItsLength) {
    std::filesystem::path deep = dir.Path();
    for (int i = 0; i < 6; ++i) deep /= std::string(60, char('a' + i));
    std::filesystem::create_directories(deep);
    for (const std::string& path : {WriteClip(dir, "cam one.MP4"), (deep / "rec.MP4").string()}) {
        if (!std::filesystem::exists(path)) std::filesystem::copy_file(dir.File("cam one.MP4"), path);
        Application app(notifier, Options());
        ASSERT_TRUE(app.Start(QString::fromStdString(path)));
        EXPECT_EQ(app.MainFrame()->windowTitle().toStdString(), path);
        ASSERT_NE(app.MainFrame()->View()->Shown(), nullptr) << path;
        EXPECT_EQ(app.MainFrame()->View()->Shown()->caption, ClipCaption(0));
    }
    EXPECT_TRUE(notifier.Messages().empty());
}

// The settings of the release before move once into ~/.config/korvane/korvane.conf, recent files included.
TEST_F(ApplicationTest, OldSettingsMoveOnceAndTheOldFileGoes) {
    const QString config = QString::fromStdString(dir.File("config"));
    const QString oldFile = config + QStringLiteral("/Local AppWizard-Generated Applications/Korvane.conf");
    {
        QSettings old(oldFile, QSettings::IniFormat);
        old.setValue(QStringLiteral("RecentFiles/File1"), QStringLiteral("/recordings/a.MP4"));
        old.setValue(QStringLiteral("View/KeepProportions"), false);
    }
    ASSERT_TRUE(QFileInfo::exists(oldFile));
    EXPECT_TRUE(MoveOldSettings(config));
    EXPECT_FALSE(QFileInfo::exists(oldFile));
    EXPECT_FALSE(QFileInfo::exists(config + QStringLiteral("/Local AppWizard-Generated Applications")));
    QSettings moved(config + QStringLiteral("/korvane/korvane.conf"), QSettings::IniFormat);
    EXPECT_EQ(moved.value(QStringLiteral("RecentFiles/File1")).toString(), QStringLiteral("/recordings/a.MP4"));
    EXPECT_FALSE(moved.value(QStringLiteral("View/KeepProportions"), true).toBool());
    EXPECT_FALSE(MoveOldSettings(config));  // once
    // An old file that comes back later does not overwrite what the new one holds; it only goes.
    QSettings(oldFile, QSettings::IniFormat).setValue(QStringLiteral("View/KeepProportions"), true);
    EXPECT_TRUE(MoveOldSettings(config));
    moved.sync();
    EXPECT_FALSE(moved.value(QStringLiteral("View/KeepProportions"), true).toBool());
    EXPECT_FALSE(QFileInfo::exists(oldFile));
}

TEST_F(ApplicationTest, EveryRecordingOpenedGoesToTheRecentFilesInTheOwnSettings) {
    QStandardPaths::setTestModeEnabled(true);
    QSettings scope(QStringLiteral("korvane"), QStringLiteral("korvane"));
    scope.clear();
    const auto path = [&](const char* name) { return QString::fromStdString(dir.File(name)); };
    for (const char* name : {"a.MP4", "b.MP4", "c.MP4", "d.MP4", "e.MP4"}) WriteClip(dir, name, 1);
    // The last opened first, four at most; a file that would not open is not among them.
    const QStringList recent = {path("c.MP4"), path("e.MP4"), path("d.MP4"), path("b.MP4")};
    {
        Application app(notifier, Options(true));
        ASSERT_TRUE(app.Start(path("a.MP4")));
        for (const char* name : {"b.MP4", "c.MP4", "missing.MP4", "d.MP4", "e.MP4", "c.MP4"})
            DropFiles(app.MainFrame()->View(), {dir.File(name)});
        EXPECT_EQ(app.RecentFiles(), recent);
        app.MainFrame()->Action(Command::KeepProportions)->trigger();  // off, and remembered
    }
    scope.sync();
    EXPECT_EQ(scope.value(QStringLiteral("RecentFiles/File1")).toString(), path("c.MP4"));
    EXPECT_EQ(scope.value(QStringLiteral("RecentFiles/File4")).toString(), path("b.MP4"));
    Application next(notifier, Options(true));
    ASSERT_TRUE(next.Start(QString()));
    EXPECT_EQ(next.RecentFiles(), recent);
    EXPECT_FALSE(next.MainFrame()->View()->KeepProportions());
    // File lists them before Exit; the dialog starts in their folder.
    EXPECT_EQ(next.MainFrame()->View()->DialogFolder(), QString::fromStdString(dir.Path().string()));
    QMenu* file = next.MainFrame()->Menu()->actions()[0]->menu();
    file->popup(QPoint(0, 0));
    file->hide();
    QStringList listed;
    QAction* second = nullptr;
    for (QAction* action : file->actions())
        if (action->text().size() > 2 && action->text()[1].isDigit() && action->text()[2] == QLatin1Char(' ')) {
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
