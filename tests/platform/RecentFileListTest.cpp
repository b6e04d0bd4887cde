// The recent-file list: newest first, each file once, four at most, kept in
// the settings between runs.
#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>

#include "authoring/TempDir.h"
#include "desktop/RecentFileList.h"
#include "tests/support/GuiApp.h"

namespace korvane::testing {
namespace {

TEST(RecentFileList, KeepsTheFourNewestOnceEachAbsoluteAndAcrossARestart) {
    EnsureGuiApp();
    TempDir dir;
    const auto path = [&](const std::string& name) { return QString::fromStdString(dir.File(name)); };
    const auto settings = [&] { return std::make_unique<QSettings>(path("settings.ini"), QSettings::IniFormat); };
    {
        RecentFileList list(settings());
        for (const char* name : {"a.MP4", "b.MP4", "c.MP4", "d.MP4", "e.MP4", "c.MP4"}) list.Add(path(name));
        EXPECT_EQ(list.Files(), (QStringList{path("c.MP4"), path("e.MP4"), path("d.MP4"), path("b.MP4")}));
        // The same file named another way is still the same entry.
        list.Add(QString::fromStdString(dir.Path().string() + "/./sub/../d.MP4"));
        list.Add(QStringLiteral("cam1.MP4"));  // stored absolute
        EXPECT_EQ(list.Files(), (QStringList{QDir::current().absoluteFilePath("cam1.MP4"), path("d.MP4"),
                                             path("c.MP4"), path("e.MP4")}));
    }
    // Someone (an older version, a hand edit) left a fifth entry and a duplicate.
    QSettings(path("settings.ini"), QSettings::IniFormat).setValue("Recent File List/File5", path("old.MP4"));
    QSettings(path("settings.ini"), QSettings::IniFormat).setValue("Recent File List/File4", path("d.MP4"));
    RecentFileList reopened(settings());
    EXPECT_EQ(reopened.Files(), (QStringList{QDir::current().absoluteFilePath("cam1.MP4"), path("d.MP4"),
                                             path("c.MP4")}));
    reopened.Add(path("f.MP4"));
    reopened.Add(path("g.MP4"));
    QSettings raw(path("settings.ini"), QSettings::IniFormat);
    raw.beginGroup(QStringLiteral("Recent File List"));
    EXPECT_EQ(raw.childKeys(), (QStringList{"File1", "File2", "File3", "File4"}));
    EXPECT_EQ(raw.value("File1").toString(), path("g.MP4"));
    EXPECT_EQ(raw.value("File4").toString(), path("d.MP4"));
}

}  // namespace
}  // namespace korvane::testing
