// FILE > Export incident...: the dialog filled from the marks and the set's
// cameras, typed into and accepted with keys; the package it writes (clips,
// manifest with the bookmark, the report through pdftotext); what it
// refuses; a cancelled or failed export that leaves nothing.
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>

#include "app/EvidenceCommands.h"
#include "app/IncidentDialog.h"
#include "tests/app/Cameras.h"
#include "tests/support/Outputs.h"

namespace korvane::testing {
namespace {

class IncidentDialogTest : public CamerasWindow {
protected:
    IncidentCommand& Command() { return window->Evidence().Incident(); }
    // Ctrl+Shift+E: the dialog, shown.
    IncidentDialog* Open() {
        Key(Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
        IncidentDialog* dialog = Command().Dialog();
        return dialog && QTest::qWaitFor([&] { return QApplication::activeWindow() == dialog; }) ? dialog : nullptr;
    }
    static void Type(QLineEdit* editor, const std::string& text) {
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Delete);
        QTest::keyClicks(editor, QString::fromStdString(text));
    }
    static void Uncheck(QListWidget* cameras, int row) {
        cameras->setCurrentRow(row);
        QTest::keyClick(cameras, Qt::Key_Space);
    }
    void SetUp() override {
        CamerasWindow::SetUp();
        finished = std::make_unique<QSignalSpy>(&Command(), &IncidentCommand::Finished);
    }
    std::unique_ptr<QSignalSpy> finished;
};

TEST_F(IncidentDialogTest, ExportsTheMarkedSpanOfTheCheckedCamerasWithTheBookmarkIntoManifestAndReport) {
    // Marks on camera 1 at pictures 5 and 20; a bookmark on camera 2 between them.
    Show(0, 5);
    Key(Qt::Key_I);
    Show(1, 12);
    AddBookmark(QStringLiteral("van stops"));
    Show(0, 20);
    Key(Qt::Key_O);

    IncidentDialog* dialog = Open();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->From()->text(), "2024-03-09 22:14:00.500");
    EXPECT_EQ(dialog->To()->text(), "2024-03-09 22:14:02.000");
    QStringList cameras;
    for (int row = 0; row < dialog->Cameras()->count(); ++row)
        if (dialog->Cameras()->item(row)->checkState() == Qt::Checked) cameras << dialog->Cameras()->item(row)->text();
    EXPECT_EQ(cameras, (QStringList{"Camera 1 - Gate", "Camera 2 - Quay", "Camera 3 - Office"}));
    Uncheck(dialog->Cameras(), 2);
    QTest::keyClicks(dialog->Note(), QStringLiteral("Van at the gate"));
    const std::string out = (recordings.Path() / "package").string();
    Type(dialog->Folder(), out);
    QTest::keyClick(dialog->Folder(), Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    ASSERT_TRUE(Command().Progress() && Command().Progress()->isVisible());
    ASSERT_TRUE(finished->wait(60000));
    const auto result = finished->at(0).at(0).value<IncidentResult>();
    ASSERT_EQ(result.status, ExportStatus::Written) << result.message;
    EXPECT_FALSE(Command().Progress());

    EXPECT_TRUE(std::filesystem::exists(out + "/CAM2.mkv") && !std::filesystem::exists(out + "/CAM3.mkv"));
    const QJsonObject manifest = ReadJson(out + "/manifest.json");
    const QJsonArray listed = manifest["cameras"].toArray();
    ASSERT_EQ(listed.size(), 2);
    EXPECT_EQ(listed.at(1)["name"].toString(), "Quay");
    // Camera 1 from the key picture before the in mark (picture 0) to the out mark.
    EXPECT_EQ(listed.at(0)["first_capture_time"].toString(), "2024-03-09 22:14:00.000");
    EXPECT_EQ(listed.at(0)["last_capture_time"].toString(), "2024-03-09 22:14:02.000");
    EXPECT_EQ(manifest["note"].toString(), "Van at the gate");
    EXPECT_EQ(manifest["bookmarks"].toArray(),
              QJsonArray({QJsonObject{{"camera", 2}, {"time", "2024-03-09 22:14:01.210"}, {"note", "van stops"}}}));
    const std::string pdf = RunCommand("pdftotext -layout '" + out + "/report.pdf' -").second;
    for (const char* text : {"van stops", "Van at the gate", "Quay"}) EXPECT_NE(pdf.find(text), std::string::npos) << text;
    // The message names the folder and what is in it.
    QMessageBox* done = Command().Note();
    ASSERT_TRUE(done && done->isVisible());
    for (const std::string& part : {out, std::string("manifest.json"), std::string("report.pdf"), std::string("CAM2.mkv")})
        EXPECT_TRUE(done->text().contains(QString::fromStdString(part))) << part << " in " << done->text().toStdString();
}

TEST_F(IncidentDialogTest, RefusesWhatCannotBeExportedInTheDialogAndStartsNothing) {
    const std::string file = recordings.Write("a-file", std::string("x"));
    const struct { const char *from, *to; int unchecked; std::string folder; const char* refusal; } cases[] = {
        {"2024-03-09 25:14:00", "", 0, "new", "hour"},
        {"2024-03-09 22:14:02", "2024-03-09 22:14:01", 0, "new", "ends before it starts"},
        {"", "", 3, "new", "at least one camera"},
        {"", "", 0, "", "Name the folder"},
        {"", "", 0, file, "is a file"},
        {"", "", 0, recordings.Path().string(), "already holds files"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.refusal);
        IncidentDialog* dialog = Open();
        ASSERT_TRUE(dialog);
        Type(dialog->From(), c.from);
        Type(dialog->To(), c.to);
        for (int row = 0; row < c.unchecked; ++row) Uncheck(dialog->Cameras(), row);
        if (c.folder != "new") Type(dialog->Folder(), c.folder);
        QTest::keyClick(dialog->Note(), Qt::Key_Return);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(dialog->Refusal().contains(QString::fromLatin1(c.refusal))) << dialog->Refusal().toStdString();
        QTest::keyClick(dialog, Qt::Key_Escape);
        EXPECT_FALSE(dialog->isVisible());
    }
    EXPECT_FALSE(Command().Progress());
    EXPECT_EQ(finished->size(), 0);
}

// Cancel while it runs, and a folder that cannot be made: nothing is left, and a failure says why.
TEST_F(IncidentDialogTest, ACancelledOrFailedExportLeavesNothing) {
    const std::string file = recordings.Write("a-file", std::string("x"));
    const struct { std::string folder; bool cancel; ExportStatus status; const char* message; } cases[] = {
        {(recordings.Path() / "cancelled").string(), true, ExportStatus::Cancelled, nullptr},
        {file + "/package", false, ExportStatus::CannotWrite, "cannot make the folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        IncidentDialog* dialog = Open();
        ASSERT_TRUE(dialog);
        Type(dialog->Folder(), c.folder);
        QTest::keyClick(dialog->Folder(), Qt::Key_Return);
        ASSERT_TRUE(Command().Progress());
        if (c.cancel) QTest::mouseClick(Command().Progress()->findChild<QPushButton*>(), Qt::LeftButton);
        ASSERT_TRUE(finished->wait(60000));
        EXPECT_EQ(finished->back().at(0).value<IncidentResult>().status, c.status);
        EXPECT_FALSE(std::filesystem::exists(c.folder));
        QMessageBox* note = Command().Note();
        ASSERT_EQ(note && note->isVisible(), c.message != nullptr);
        if (c.message) {
            EXPECT_TRUE(note->text().contains(QString::fromLatin1(c.message))) << note->text().toStdString();
            EXPECT_TRUE(note->text().contains(QStringLiteral("Nothing of it was written")));
            note->close();
        }
    }
}

}  // namespace
}  // namespace korvane::testing
