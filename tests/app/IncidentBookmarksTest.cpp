// korvane --export-incident takes the bookmarks the window keeps for the same
// recordings: those of the exported cameras in the span go into the manifest.
#include <QJsonArray>

#include "app/BookmarkStore.h"
#include "tests/app/Cameras.h"
#include "tests/support/Outputs.h"

namespace korvane::testing {
namespace {

TEST(IncidentBookmarksTest, TheCommandLineTakesTheWindowsBookmarksOfTheSameRecordings) {
    TempDir recordings, data;
    const std::string folder = WriteCameras(recordings, 24);
    // As the window keeps them after opening the folder: under the program's name in the data folder.
    BookmarkStore store(QString::fromStdString((data.Path() / "korvane" / "bookmarks").string()));
    store.Use({folder + "/CH00.MP4"});
    for (const Bookmark& b : {Bookmark{CameraMs(1, 10), 1, "in the span"}, Bookmark{CameraMs(2, 10), 2, "a camera not exported"},
                              Bookmark{CameraMs(0, 23), 0, "after the span"}})
        ASSERT_TRUE(store.Add(b));
    const std::string out = (recordings.Path() / "package").string();
    ASSERT_EQ(RunCommand("XDG_DATA_HOME='" + data.Path().string() + "' '" + KORVANE_BINARY + "' --export-incident '" + out +
                         "' --cameras 1,2 --to '2024-03-09 22:14:02.000' '" + folder + "'").first, 0);
    EXPECT_EQ(ReadJson(out + "/manifest.json")["bookmarks"].toArray(),
              QJsonArray({QJsonObject{{"camera", 2}, {"time", "2024-03-09 22:14:01.010"}, {"note", "in the span"}}}));
}

}  // namespace
}  // namespace korvane::testing
