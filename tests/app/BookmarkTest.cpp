// Bookmarks: the store on disk (kept per set of recordings in the data
// folder, never beside the recordings), and in the window over a real engine
// on the offscreen platform: B and a note add one, the list shows it and
// goes to it through the engine, Delete removes it, a restart keeps it.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <set>

#include "app/BookmarkDialog.h"
#include "app/BookmarkList.h"
#include "app/BookmarkStore.h"
#include "app/MainWindow.h"
#include "app/PlayerView.h"
#include "playback/Player.h"
#include "recording/TimeStamp.h"
#include "tests/app/Cameras.h"
#include "tests/support/ScopedEnv.h"

namespace korvane::testing {
namespace {

std::set<std::string> Listing(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) names.insert(entry.path().string());
    return names;
}

std::string Text(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct StoreFolders {
    TempDir recordings, data;
    std::string a = recordings.Write("a.MP4", std::string("a")), b = recordings.Write("b.MP4", std::string("b"));
    std::string folder = (data.Path() / "bookmarks").string();
    BookmarkStore Store() const { return BookmarkStore(QString::fromStdString(folder)); }
};

TEST(BookmarkStoreTest, KeepsEachSetsBookmarksInTheDataFolderInTimeOrderAcrossRestarts) {
    StoreFolders f;
    const auto recordingsBefore = Listing(f.recordings.Path());
    const Bookmark late{5000, 1, "van leaves \"fast\", ÅØ"}, early{1000, 0, "van stops"}, sameTime{1000, 2, ""};
    {
        BookmarkStore store = f.Store();
        store.Use({f.a, f.b});
        for (const Bookmark& b : {late, early, sameTime}) ASSERT_TRUE(store.Add(b)) << store.Error().toStdString();
        EXPECT_EQ(store.List(), (std::vector<Bookmark>{early, sameTime, late}));
    }
    // The same set, however it is named and ordered, finds them again; another set has its own.
    std::filesystem::create_symlink(f.recordings.Path(), f.data.Path() / "link");
    const std::string viaLink = (f.data.Path() / "link" / "a.MP4").string();
    const struct { const char* what; std::vector<std::string> set; std::vector<Bookmark> found; } cases[] = {
        {"the set again", {f.a, f.b}, {early, sameTime, late}},
        {"in the other order, one path through a link", {f.b, viaLink}, {early, sameTime, late}},
        {"one of its recordings alone", {f.a}, {}},
        {"no recording", {}, {}},
    };
    for (const auto& c : cases) {
        BookmarkStore store = f.Store();
        store.Use(c.set);
        EXPECT_EQ(store.List(), c.found) << c.what;
        EXPECT_TRUE(store.Error().isEmpty()) << c.what;
    }
    // Removal is kept too; the only file written is the set's, in the data folder.
    BookmarkStore store = f.Store();
    store.Use({f.a, f.b});
    ASSERT_TRUE(store.Remove(1));
    store.Use({f.b, f.a});
    EXPECT_EQ(store.List(), (std::vector<Bookmark>{early, late}));
    EXPECT_EQ(Listing(f.data.Path() / "bookmarks"), (std::set<std::string>{store.FileOf({f.a, f.b}).toStdString()}));
    EXPECT_EQ(Listing(f.recordings.Path()), recordingsBefore);
}

// What a bookmark file holds when it was damaged or written by hand.
TEST(BookmarkStoreTest, TakesTheGoodEntriesOfAFileAndNeverOverwritesOneItCannotRead) {
    const struct {
        const char* what;
        std::string text;
        std::vector<Bookmark> found;
        bool readable;
    } cases[] = {
        {"entries with a bad time or camera left out",
         R"({"bookmarks": [{"time": "2024-03-09 22:14:00.500", "camera": 2, "note": "kept"},
                            {"time": "2024-02-30 22:14:00", "camera": 1, "note": "no such day"},
                            {"time": "2024-03-09 22:14:00", "camera": 0, "note": "no camera 0"},
                            {"camera": 1, "note": "no time"},
                            {"time": "2024-03-09 22:14:00", "camera": 1}]})",
         {{CaptureMilliseconds(*ParseCaptureTime("2024-03-09 22:14:00")), 0, ""},
          {CaptureMilliseconds(*ParseCaptureTime("2024-03-09 22:14:00.500")), 1, "kept"}},
         true},
        {"no list", R"({"recordings": []})", {}, false},
        {"not JSON", "{\"bookmarks\": [", {}, false},
        {"empty", "", {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StoreFolders f;
        BookmarkStore store = f.Store();
        const std::string file = store.FileOf({f.a}).toStdString();
        std::filesystem::create_directories(f.folder);
        std::ofstream(file) << c.text;
        store.Use({f.a});
        EXPECT_EQ(store.List(), c.found);
        EXPECT_EQ(store.Error().isEmpty(), c.readable) << store.Error().toStdString();
        EXPECT_EQ(Text(file), c.text);  // reading changes nothing
        // The next bookmark keeps what could not be read beside the new list.
        ASSERT_TRUE(store.Add({42, 0, "new"}));
        EXPECT_EQ(std::filesystem::exists(file + ".unreadable"), !c.readable);
        if (!c.readable) {
            EXPECT_EQ(Text(file + ".unreadable"), c.text);
        }
        store.Use({f.a});
        EXPECT_EQ(store.List().size(), c.found.size() + 1);
    }
}

TEST(BookmarkStoreTest, ABookmarkThatCannotBeWrittenSaysWhereAndStaysInTheList) {
    StoreFolders f;
    std::ofstream(f.folder) << "a file where the folder should be";
    BookmarkStore store = f.Store();
    store.Use({f.a});
    EXPECT_FALSE(store.Add({1000, 0, "kept in memory"}));
    EXPECT_TRUE(store.Error().contains(QString::fromStdString(f.folder))) << store.Error().toStdString();
    EXPECT_EQ(store.List().size(), 1u);
    EXPECT_EQ(ManifestBookmarks(store.List()).front().time, "1970-01-01 00:00:01.000");
}

// The window on a folder of three named cameras; the data folder is a fresh one.
class BookmarkWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        QStandardPaths::setTestModeEnabled(false);  // XDG_DATA_HOME decides
        Restart();
    }
    void Restart() {
        window.reset();
        player = std::make_unique<Player>(notifier);
        window = std::make_unique<MainWindow>(*player, QString::fromStdString(recordings.File("companion")));
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        ASSERT_TRUE(player->Open(folder));
        ASSERT_TRUE(player->WaitForIndex());
    }
    std::int64_t At(int camera, int picture) const { return CaptureMilliseconds(CamerasStart()) + CameraMs(camera, picture); }
    void Show(int camera, int picture) {
        ASSERT_TRUE(player->SelectCamera(camera));
        ASSERT_TRUE(player->SeekTo(At(camera, picture)));
    }
    // B, the note typed, then Enter or Esc.
    void Bookmark(const QString& note, Qt::Key close) {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_B);
        auto* dialog = window->findChild<BookmarkDialog*>();
        ASSERT_TRUE(dialog && QTest::qWaitForWindowActive(dialog));
        QTest::keyClicks(dialog->Editor(), note);
        QTest::keyClick(dialog->Editor(), close);
        EXPECT_FALSE(dialog->isVisible());
    }
    QStringList Row(int row) const {
        QTreeWidgetItem* item = window->findChild<BookmarkList*>()->Table()->topLevelItem(row);
        return item ? QStringList{item->text(0), item->text(1), item->text(2)} : QStringList{};
    }

    TempDir recordings, data;
    ScopedEnv xdg{"XDG_DATA_HOME", data.Path().string()};
    std::string folder = WriteCameras(recordings);
    StderrNotifier notifier{false};
    std::unique_ptr<Player> player;
    std::unique_ptr<MainWindow> window;
};

TEST_F(BookmarkWindowTest, BAndANoteAddABookmarkTheListShowsGoesToAndDeletesAndARestartKeeps) {
    const auto recordingsBefore = Listing(folder);
    Show(1, 5);
    Bookmark(QStringLiteral("van stops"), Qt::Key_Return);
    auto* dialog = window->findChild<BookmarkDialog*>();
    EXPECT_EQ(dialog->Where().toStdString(), "Bookmark at 2024-03-09 22:14:00.510 on Camera 2 - Quay:");
    Show(1, 9);
    Bookmark(QStringLiteral("dropped"), Qt::Key_Escape);
    Show(0, 20);
    Bookmark(QStringLiteral("man at the door"), Qt::Key_Enter);

    QTest::keyClick(window.get(), Qt::Key_B, Qt::ControlModifier);
    auto* list = window->findChild<BookmarkList*>();
    ASSERT_TRUE(list && QTest::qWaitForWindowActive(list));
    ASSERT_EQ(list->Table()->topLevelItemCount(), 2);
    EXPECT_EQ(Row(0), (QStringList{"2024-03-09 22:14:00.510", "Camera 2 - Quay", "van stops"}));
    EXPECT_EQ(Row(1), (QStringList{"2024-03-09 22:14:02.000", "Camera 1 - Gate", "man at the door"}));

    // Going to a bookmark selects its camera and seeks the engine to its time: Enter or the button.
    QTreeWidget* table = list->Table();
    const struct { int row; std::function<void()> go; int camera; int picture; } goes[] = {
        {0, [&] { QTest::keyClick(table, Qt::Key_Return); }, 1, 5},
        {1, [&] { QTest::keyClick(table, Qt::Key_Enter); }, 0, 20},
        {0, [&] { QTest::mouseClick(list->GoToButton(), Qt::LeftButton); }, 1, 5},
    };
    for (const auto& g : goes) {
        Show(2, 29);
        list->activateWindow();  // as when people use it: its keys are its own
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == list; }));
        table->setCurrentItem(table->topLevelItem(g.row));
        g.go();
        EXPECT_EQ(player->SelectedCamera(), g.camera) << g.row;
        EXPECT_EQ(player->CurrentTime(), At(g.camera, g.picture)) << g.row;
        EXPECT_TRUE(list->isVisible());
    }

    // Delete removes the selected one, on disk too; a restart finds what is left, kept outside the recordings' folder.
    table->setCurrentItem(table->topLevelItem(1));
    QTest::keyClick(table, Qt::Key_Delete);
    ASSERT_EQ(table->topLevelItemCount(), 1);
    Restart();
    QTest::keyClick(window.get(), Qt::Key_B, Qt::ControlModifier);
    list = window->findChild<BookmarkList*>();
    ASSERT_TRUE(list && QTest::qWaitForWindowActive(list));
    ASSERT_EQ(list->Table()->topLevelItemCount(), 1);
    EXPECT_EQ(Row(0), (QStringList{"2024-03-09 22:14:00.510", "Camera 2 - Quay", "van stops"}));
    EXPECT_EQ(Listing(folder), recordingsBefore);
    const std::string file = BookmarkStore().FileOf(player->Paths()).toStdString();
    EXPECT_EQ(file.rfind(data.Path().string(), 0), 0u) << file;
    EXPECT_TRUE(std::filesystem::exists(file));

    // Another set of recordings has none of them.
    TempDir other;
    ASSERT_TRUE(player->Open(WriteCameras(other, 3)));
    EXPECT_EQ(list->Table()->topLevelItemCount(), 0);
    EXPECT_FALSE(list->GoToButton()->isEnabled());
}

}  // namespace
}  // namespace korvane::testing


