// Bookmarks: the store (per set of recordings in the data folder, never
// beside the recordings), and the window: B and a note add one, the list
// shows it and goes to it through the engine, Delete removes it, a restart
// keeps it.
#include <QPushButton>
#include <QTreeWidget>

#include <set>

#include "app/BookmarkList.h"
#include "app/BookmarkStore.h"
#include "tests/app/Cameras.h"

namespace korvane::testing {
namespace {

std::set<std::string> Listing(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) names.insert(entry.path().string());
    return names;
}

std::string Text(const std::string& path) {
    const auto bytes = std::filesystem::exists(path) ? ReadWholeFile(path) : std::vector<std::uint8_t>{};
    return {bytes.begin(), bytes.end()};
}

struct StoreFolders {
    TempDir recordings, data;
    std::string a = recordings.Write("a.MP4", std::string("a")), b = recordings.Write("b.MP4", std::string("b"));
    std::string folder = (data.Path() / "bookmarks").string();
    std::unique_ptr<BookmarkStore> Store(const std::vector<std::string>& set) const {
        auto store = std::make_unique<BookmarkStore>(QString::fromStdString(folder));
        store->Use(set);
        return store;
    }
};

TEST(BookmarkStoreTest, KeepsEachSetsBookmarksInTheDataFolderInTimeOrder) {
    StoreFolders f;
    const auto recordingsBefore = Listing(f.recordings.Path());
    const Bookmark late{5000, 1, "van leaves \"fast\", ÅØ"}, early{1000, 0, "van stops"}, sameTime{1000, 2, ""};
    for (const Bookmark& b : {late, early, sameTime}) ASSERT_TRUE(f.Store({f.a, f.b})->Add(b));
    // The same set, however it is named and ordered, finds them again; another set has its own.
    std::filesystem::create_symlink(f.recordings.Path(), f.data.Path() / "link");
    const std::string viaLink = (f.data.Path() / "link" / "a.MP4").string();
    const struct { const char* what; std::vector<std::string> set; std::vector<Bookmark> found; } cases[] = {
        {"the set again", {f.a, f.b}, {early, sameTime, late}},
        {"in the other order, one path through a link", {f.b, viaLink}, {early, sameTime, late}},
        {"one of its recordings alone", {f.a}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(f.Store(c.set)->List(), c.found) << c.what;
    ASSERT_TRUE(f.Store({f.a, f.b})->Remove(1));
    EXPECT_EQ(f.Store({f.b, f.a})->List(), (std::vector<Bookmark>{early, late}));
    // The only file written is the set's, in the data folder.
    EXPECT_EQ(Listing(f.folder), (std::set<std::string>{f.Store({})->FileOf({f.a, f.b}).toStdString()}));
    EXPECT_EQ(Listing(f.recordings.Path()), recordingsBefore);
}

// A file damaged or written by hand: the good entries are taken; one that cannot be read is kept aside, never overwritten.
TEST(BookmarkStoreTest, TakesTheGoodEntriesOfAFileAndKeepsOneItCannotRead) {
    const std::string kept = R"({"time": "2024-03-09 22:14:00.500", "camera": 2, "note": "kept"})";
    const struct { std::string text; std::size_t found; } cases[] = {
        {R"({"bookmarks": [)" + kept + R"(, {"time": "2024-02-30 22:14:00", "camera": 1}, {"time": "2024-03-09 22:14:00", "camera": 0}, {"camera": 1}]})", 1},
        {R"({"recordings": []})", 0},
        {R"({"bookmarks": [)", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        StoreFolders f;
        const std::string file = f.Store({})->FileOf({f.a}).toStdString();
        std::filesystem::create_directories(f.folder);
        std::ofstream(file) << c.text;
        const auto store = f.Store({f.a});
        EXPECT_EQ(store->List(), std::vector<Bookmark>(c.found, Bookmark{CameraMs(0, 5), 1, "kept"}));
        EXPECT_EQ(store->Error().isEmpty(), c.found > 0) << store->Error().toStdString();
        EXPECT_EQ(Text(file), c.text);  // reading changes nothing
        ASSERT_TRUE(store->Add({42, 0, "new"}));
        EXPECT_EQ(Text(file + ".unreadable"), c.found ? "" : c.text);
        EXPECT_EQ(f.Store({f.a})->List().size(), c.found + 1);
    }
    // A bookmark that cannot be written says where, and stays in the list.
    StoreFolders f;
    std::ofstream(f.folder) << "a file where the folder should be";
    const auto store = f.Store({f.a});
    EXPECT_FALSE(store->Add({1000, 0, "kept in memory"}));
    EXPECT_TRUE(store->Error().contains(QString::fromStdString(f.folder))) << store->Error().toStdString();
    EXPECT_EQ(store->List().size(), 1u);
}

using BookmarkWindowTest = CamerasWindow;

TEST_F(BookmarkWindowTest, BAndANoteAddABookmarkTheListShowsGoesToAndDeletesAndARestartKeeps) {
    const auto recordingsBefore = Listing(folder);
    Show(1, 5);
    AddBookmark(QStringLiteral("van stops"));
    EXPECT_EQ(window->findChild<BookmarkDialog*>()->Where().toStdString(), "Bookmark at 2024-03-09 22:14:00.510 on Camera 2 - Quay:");
    Show(1, 9);
    AddBookmark(QStringLiteral("dropped"), Qt::Key_Escape);
    Show(0, 20);
    AddBookmark(QStringLiteral("man at the door"), Qt::Key_Enter);

    const auto list = [&] {
        Key(Qt::Key_B, Qt::ControlModifier);
        auto* shown = window->findChild<BookmarkList*>();
        EXPECT_TRUE(shown && QTest::qWaitFor([&] { return QApplication::activeWindow() == shown; }));
        return shown;
    };
    BookmarkList* shown = list();
    QTreeWidget* table = shown->Table();
    const auto rows = [&] {
        std::vector<QStringList> texts;
        for (int row = 0; row < table->topLevelItemCount(); ++row)
            texts.push_back({table->topLevelItem(row)->text(0), table->topLevelItem(row)->text(1), table->topLevelItem(row)->text(2)});
        return texts;
    };
    const QStringList van{"2024-03-09 22:14:00.510", "Camera 2 - Quay", "van stops"};
    EXPECT_EQ(rows(), (std::vector<QStringList>{van, {"2024-03-09 22:14:02.000", "Camera 1 - Gate", "man at the door"}}));

    // Going to a bookmark selects its camera and seeks the engine to its time: Enter, or the button.
    const struct { int row; std::function<void()> go; int camera, picture; } goes[] = {
        {0, [&] { QTest::keyClick(table, Qt::Key_Return); }, 1, 5},
        {1, [&] { QTest::keyClick(table, Qt::Key_Enter); }, 0, 20},
        {0, [&] { QTest::mouseClick(shown->GoToButton(), Qt::LeftButton); }, 1, 5},
    };
    for (const auto& g : goes) {
        Show(2, 29);
        shown->activateWindow();  // as when people use it: its keys are its own
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == shown; }));
        table->setCurrentItem(table->topLevelItem(g.row));
        g.go();
        EXPECT_EQ(session->SelectedCamera(), g.camera) << g.row;
        EXPECT_EQ(session->CurrentTime(), CameraMs(g.camera, g.picture)) << g.row;
    }

    // Delete removes the selected one; a restart finds what is left, kept outside the recordings' folder.
    table->setCurrentItem(table->topLevelItem(1));
    QTest::keyClick(table, Qt::Key_Delete);
    Restart();
    shown = list();
    table = shown->Table();
    EXPECT_EQ(rows(), (std::vector<QStringList>{van}));
    EXPECT_EQ(Listing(folder), recordingsBefore);
    const std::string file = BookmarkStore().FileOf(session->Paths()).toStdString();
    EXPECT_TRUE(file.rfind(data.Path().string(), 0) == 0 && std::filesystem::exists(file)) << file;
    // Another set of recordings has none of them.
    TempDir other;
    ASSERT_TRUE(session->Open(WriteCameras(other, 3)));
    EXPECT_EQ(table->topLevelItemCount(), 0);
    EXPECT_FALSE(shown->GoToButton()->isEnabled());
    // Without recordings there is nothing to bookmark, list or export.
    EXPECT_FALSE(session->Open(recordings.Write("not-a-recording", std::string("x"))));
    for (Command command : {Command::AddBookmark, Command::Bookmarks, Command::ExportIncident})
        EXPECT_FALSE(window->Action(command)->isEnabled()) << window->Action(command)->text().toStdString();
}

}  // namespace
}  // namespace korvane::testing
