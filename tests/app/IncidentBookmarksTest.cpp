// korvane --export-incident takes the bookmarks the window keeps for the same
// recordings: those of the exported cameras in the span go into the manifest.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "app/BookmarkStore.h"
#include "recording/TimeStamp.h"
#include "tests/app/Cameras.h"

namespace korvane::testing {
namespace {

TEST(IncidentBookmarksTest, TheCommandLineTakesTheWindowsBookmarksOfTheSameRecordings) {
    TempDir recordings, data;
    const std::string folder = WriteCameras(recordings, 24);
    const std::int64_t start = CaptureMilliseconds(CamerasStart());
    {
        // As the window keeps them after opening the folder: under the program's name in the data folder.
        BookmarkStore store(QString::fromStdString((data.Path() / "korvane" / "bookmarks").string()));
        store.Use({folder + "/CH00.MP4"});
        const Bookmark bookmarks[] = {
            {start + CameraMs(1, 10), 1, "in the span"},
            {start + CameraMs(2, 10), 2, "a camera not exported"},
            {start + CameraMs(0, 23), 0, "after the span"},
        };
        for (const Bookmark& b : bookmarks) ASSERT_TRUE(store.Add(b));
    }
    const std::string out = (recordings.Path() / "package").string();
    const std::string command = "XDG_DATA_HOME='" + data.Path().string() + "' '" + KORVANE_BINARY + "' --export-incident '" +
                                out + "' --cameras 1,2 --to '2024-03-09 22:14:02.000' '" + folder + "' 2>&1";
    std::string text;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_TRUE(pipe);
    char chunk[512];
    while (std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe)) text.append(chunk, n);
    const int status = ::pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;

    QFile file(QString::fromStdString(out + "/manifest.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonArray bookmarks = QJsonDocument::fromJson(file.readAll()).object()["bookmarks"].toArray();
    ASSERT_EQ(bookmarks.size(), 1) << text;
    EXPECT_EQ(bookmarks.at(0)["note"].toString(), "in the span");
    EXPECT_EQ(bookmarks.at(0)["camera"].toInt(), 2);
    EXPECT_EQ(bookmarks.at(0)["time"].toString(), "2024-03-09 22:14:01.010");
}

}  // namespace
}  // namespace korvane::testing
