// FILE > Export incident... in the window over a real engine on the offscreen
// platform: the dialog filled from the marks and the set's cameras, typed
// into and accepted with real keys; the package it writes (clips, manifest
// with the bookmark, the report read through pdftotext); what it refuses;
// and a cancelled or failed export that leaves nothing.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <cstdio>
#include <filesystem>

#include "app/BookmarkDialog.h"
#include "app/EvidenceCommands.h"
#include "app/IncidentDialog.h"
#include "app/MainWindow.h"
#include "playback/Player.h"
#include "recording/TimeStamp.h"
#include "tests/app/Cameras.h"
#include "tests/support/ScopedEnv.h"

namespace korvane::testing {
namespace {

QJsonObject ReadJson(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
}

std::string PdfText(const std::string& path) {
    std::string text;
    if (std::FILE* pipe = ::popen(("pdftotext -layout '" + path + "' - 2>/dev/null").c_str(), "r")) {
        char chunk[4096];
        while (std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe)) text.append(chunk, n);
        ::pclose(pipe);
    }
    return text;
}

class IncidentDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        QStandardPaths::setTestModeEnabled(false);  // XDG_DATA_HOME decides
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        ASSERT_TRUE(player.Open(folder));
        ASSERT_TRUE(player.WaitForIndex());
    }
    void Show(int camera, int picture) {
        ASSERT_TRUE(player.SelectCamera(camera));
        ASSERT_TRUE(player.SeekTo(CaptureMilliseconds(CamerasStart()) + CameraMs(camera, picture)));
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, key, modifiers);
    }
    // Ctrl+Shift+E: the dialog, shown.
    IncidentDialog* Open() {
        Key(Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
        IncidentDialog* dialog = window.Evidence().Incident().Dialog();
        return dialog && QTest::qWaitForWindowActive(dialog) ? dialog : nullptr;
    }
    static void Type(QLineEdit* editor, const std::string& text) {
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        if (text.empty()) QTest::keyClick(editor, Qt::Key_Delete);
        else QTest::keyClicks(editor, QString::fromStdString(text));
    }

    TempDir recordings, data;
    ScopedEnv xdg{"XDG_DATA_HOME", data.Path().string()};
    std::string folder = WriteCameras(recordings, 300);
    StderrNotifier notifier{false};
    Player player{notifier};
    MainWindow window{player, QString::fromStdString(recordings.File("companion"))};
    QSignalSpy finished{&window.Evidence().Incident(), &IncidentCommand::Finished};
};

TEST_F(IncidentDialogTest, ExportsTheMarkedSpanOfTheCheckedCamerasWithTheBookmarkIntoManifestAndReport) {
    // Marks on camera 1 at pictures 5 and 20; a bookmark on camera 2 between them.
    Show(0, 5);
    Key(Qt::Key_I);
    Show(1, 12);
    Key(Qt::Key_B);
    auto* note = window.findChild<BookmarkDialog*>();
    ASSERT_TRUE(note && QTest::qWaitForWindowActive(note));
    QTest::keyClicks(note->Editor(), QStringLiteral("van stops"));
    QTest::keyClick(note->Editor(), Qt::Key_Return);
    Show(0, 20);
    Key(Qt::Key_O);

    IncidentDialog* dialog = Open();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->From()->text().toStdString(), "2024-03-09 22:14:00.500");
    EXPECT_EQ(dialog->To()->text().toStdString(), "2024-03-09 22:14:02.000");
    QStringList cameras;
    for (int row = 0; row < dialog->Cameras()->count(); ++row) {
        cameras << dialog->Cameras()->item(row)->text();
        EXPECT_EQ(dialog->Cameras()->item(row)->checkState(), Qt::Checked) << row;
    }
    EXPECT_EQ(cameras, (QStringList{"Camera 1 - Gate", "Camera 2 - Quay", "Camera 3 - Office"}));
    EXPECT_FALSE(dialog->Folder()->text().isEmpty());  // a suggestion
    // Camera 3 unchecked with Space; a note; the folder typed; Enter exports.
    dialog->Cameras()->setCurrentRow(2);
    QTest::keyClick(dialog->Cameras(), Qt::Key_Space);
    QTest::keyClicks(dialog->Note(), QStringLiteral("Van at the gate"));
    const std::string out = (recordings.Path() / "package").string();
    Type(dialog->Folder(), out);
    QTest::keyClick(dialog->Folder(), Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    ASSERT_TRUE(window.Evidence().Incident().Progress() && window.Evidence().Incident().Progress()->isVisible());
    ASSERT_TRUE(finished.wait(60000));
    const auto result = finished.at(0).at(0).value<IncidentResult>();
    ASSERT_EQ(result.status, ExportStatus::Written) << result.message;
    EXPECT_FALSE(window.Evidence().Incident().Progress());

    for (const char* file : {"CAM1.mkv", "CAM1.mkv.times.csv", "CAM2.mkv", "CAM2.mkv.times.csv", "manifest.json", "report.pdf"})
        EXPECT_TRUE(std::filesystem::exists(out + "/" + file)) << file;
    EXPECT_FALSE(std::filesystem::exists(out + "/CAM3.mkv"));
    const QJsonObject manifest = ReadJson(out + "/manifest.json");
    const QJsonArray listed = manifest["cameras"].toArray();
    ASSERT_EQ(listed.size(), 2);
    EXPECT_EQ(listed.at(0)["name"].toString(), "Gate");
    EXPECT_EQ(listed.at(1)["name"].toString(), "Quay");
    // Camera 1 from the key picture before the in mark (picture 0) to the out mark.
    EXPECT_EQ(listed.at(0)["first_capture_time"].toString(), "2024-03-09 22:14:00.000");
    EXPECT_EQ(listed.at(0)["last_capture_time"].toString(), "2024-03-09 22:14:02.000");
    EXPECT_EQ(manifest["note"].toString(), "Van at the gate");
    const QJsonArray bookmarks = manifest["bookmarks"].toArray();
    ASSERT_EQ(bookmarks.size(), 1);
    EXPECT_EQ(bookmarks.at(0)["note"].toString(), "van stops");
    EXPECT_EQ(bookmarks.at(0)["camera"].toInt(), 2);
    EXPECT_EQ(bookmarks.at(0)["time"].toString(), "2024-03-09 22:14:01.210");
    const std::string pdf = PdfText(out + "/report.pdf");
    for (const char* text : {"van stops", "Van at the gate", "Gate", "Quay"}) EXPECT_NE(pdf.find(text), std::string::npos) << text;
    EXPECT_EQ(pdf.find("Office"), std::string::npos);
    // The message names the folder and what is in it.
    QMessageBox* done = window.Evidence().Incident().Note();
    ASSERT_TRUE(done && done->isVisible());
    for (const std::string& part : {out, std::string("manifest.json"), std::string("report.pdf"), std::string("CAM2.mkv")})
        EXPECT_TRUE(done->text().contains(QString::fromStdString(part))) << part << " in " << done->text().toStdString();
}

TEST_F(IncidentDialogTest, RefusesWhatCannotBeExportedInTheDialogAndStartsNothing) {
    const std::string file = recordings.Write("a-file", std::string("x"));
    const std::string full = recordings.Path().string();  // holds the backup folder
    const struct {
        const char* from;
        const char* to;
        int uncheck;  // cameras to uncheck, from the first
        std::string folder;
        const char* refusal;
    } cases[] = {
        {"2024-03-09 25:14:00", "", 0, "", "hour"},
        {"2024-03-09 22:14:02", "2024-03-09 22:14:01", 0, "", "ends before it starts"},
        {"", "", 3, "", "at least one camera"},
        {"", "", 0, "-", "Name the folder"},
        {"", "", 0, file, "is a file"},
        {"", "", 0, full, "already holds files"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.refusal);
        IncidentDialog* dialog = Open();
        ASSERT_TRUE(dialog);
        Type(dialog->From(), c.from);
        Type(dialog->To(), c.to);
        for (int row = 0; row < c.uncheck; ++row) {
            dialog->Cameras()->setCurrentRow(row);
            QTest::keyClick(dialog->Cameras(), Qt::Key_Space);
        }
        if (!c.folder.empty()) Type(dialog->Folder(), c.folder == "-" ? "" : c.folder);
        QTest::keyClick(dialog->Note(), Qt::Key_Return);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(dialog->Refusal().contains(QString::fromLatin1(c.refusal))) << dialog->Refusal().toStdString();
        EXPECT_FALSE(window.Evidence().Incident().Progress());
        QTest::keyClick(dialog, Qt::Key_Escape);
        EXPECT_FALSE(dialog->isVisible());
    }
    EXPECT_EQ(finished.size(), 0);
}

// Cancel while it runs, and a folder that cannot be made: nothing is left, and a failure says why.
TEST_F(IncidentDialogTest, ACancelledOrFailedExportLeavesNothing) {
    const std::string file = recordings.Write("a-file", std::string("x"));
    const struct {
        const char* what;
        std::string folder;
        bool cancel;
        ExportStatus status;
        const char* message;  // of the warning, or nothing shown
    } cases[] = {
        {"cancelled", (recordings.Path() / "cancelled").string(), true, ExportStatus::Cancelled, nullptr},
        {"a folder that cannot be made", file + "/package", false, ExportStatus::CannotWrite, "cannot make the folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        IncidentDialog* dialog = Open();
        ASSERT_TRUE(dialog);
        Type(dialog->Folder(), c.folder);
        QTest::keyClick(dialog->Folder(), Qt::Key_Return);
        QProgressDialog* progress = window.Evidence().Incident().Progress();
        ASSERT_TRUE(progress && progress->isVisible());
        if (c.cancel) QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
        ASSERT_TRUE(finished.wait(60000));
        EXPECT_EQ(finished.back().at(0).value<IncidentResult>().status, c.status);
        EXPECT_FALSE(std::filesystem::exists(c.folder));
        QMessageBox* note = window.Evidence().Incident().Note();
        EXPECT_EQ(note && note->isVisible(), c.message != nullptr);
        if (c.message) {
            EXPECT_TRUE(note->text().contains(QString::fromLatin1(c.message))) << note->text().toStdString();
            EXPECT_TRUE(note->text().contains(QStringLiteral("Nothing of it was written"))) << note->text().toStdString();
            note->close();
        }
    }
}

}  // namespace
}  // namespace korvane::testing

