// The recent-file list: newest first, each file once, four at most, kept in
// the settings between runs.
#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>

#include "desktop/RecentFileList.h"
#include "tests/support/GuiApp.h"
#include "authoring/TempDir.h"

namespace korvane::testing {
namespace {

class RecentFileListTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApp(); }
    std::unique_ptr<QSettings> Settings() const {
        return std::make_unique<QSettings>(QString::fromStdString(dir.File("settings.ini")), QSettings::IniFormat);
    }
    QString Path(const std::string& name) const { return QString::fromStdString(dir.File(name)); }
    TempDir dir;
};

TEST_F(RecentFileListTest, KeepsTheFourNewestNewestFirst) {
    RecentFileList list(Settings());
    for (const char* name : {"a.MP4", "b.MP4", "c.MP4", "d.MP4", "e.MP4"}) list.Add(Path(name));
    EXPECT_EQ(list.Files(), (QStringList{Path("e.MP4"), Path("d.MP4"), Path("c.MP4"), Path("b.MP4")}));
}

TEST_F(RecentFileListTest, ReopeningAFileMovesItToTheFrontWithoutADuplicate) {
    RecentFileList list(Settings());
    for (const char* name : {"a.MP4", "b.MP4", "c.MP4"}) list.Add(Path(name));
    list.Add(Path("a.MP4"));
    EXPECT_EQ(list.Files(), (QStringList{Path("a.MP4"), Path("c.MP4"), Path("b.MP4")}));
    // The same file named another way is still the same entry.
    list.Add(QString::fromStdString(dir.Path().string() + "/./sub/../c.MP4"));
    EXPECT_EQ(list.Files(), (QStringList{Path("c.MP4"), Path("a.MP4"), Path("b.MP4")}));
}

TEST_F(RecentFileListTest, RelativePathsAreStoredAbsolute) {
    RecentFileList list(Settings());
    list.Add(QStringLiteral("cam1.MP4"));
    ASSERT_EQ(list.Files().size(), 1);
    EXPECT_EQ(list.Files()[0], QDir::current().absoluteFilePath(QStringLiteral("cam1.MP4")));
}

TEST_F(RecentFileListTest, ListSurvivesARestartAndDropsEntriesBeyondItsSize) {
    {
        RecentFileList list(Settings());
        for (const char* name : {"a.MP4", "b.MP4", "c.MP4", "d.MP4", "e.MP4"}) list.Add(Path(name));
    }
    // Someone (an older version, a hand edit) left a fifth entry.
    {
        QSettings raw(Path("settings.ini"), QSettings::IniFormat);
        raw.setValue(QStringLiteral("Recent File List/File5"), Path("old.MP4"));
    }
    RecentFileList reopened(Settings());
    EXPECT_EQ(reopened.Files(), (QStringList{Path("e.MP4"), Path("d.MP4"), Path("c.MP4"), Path("b.MP4")}));
    reopened.Add(Path("f.MP4"));
    QSettings raw(Path("settings.ini"), QSettings::IniFormat);
    raw.beginGroup(QStringLiteral("Recent File List"));
    EXPECT_EQ(raw.childKeys(), (QStringList{"File1", "File2", "File3", "File4"}));
    EXPECT_EQ(raw.value("File1").toString(), Path("f.MP4"));
    EXPECT_EQ(raw.value("File4").toString(), Path("c.MP4"));
}

}  // namespace
}  // namespace korvane::testing
