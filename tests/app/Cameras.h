// The window's evidence tests: a backup folder of three named cameras (one
// recording with the cameras interleaved, `count` pictures each of the
// fixture's first 12 over and over, 100 ms apart from 2024-03-09 22:14:00.000,
// camera c 10 x c ms later; mp4info.txt naming site and cameras), and the
// window over a real engine on it, with a data folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTest>

#include <filesystem>
#include <fstream>

#include "app/BookmarkDialog.h"
#include "app/MainWindow.h"
#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"
#include "playback/Session.h"
#include "recording/TimeStamp.h"
#include "tests/support/ScopedEnv.h"

namespace korvane::testing {

inline std::int64_t CameraMs(int camera, int picture) {
    return CaptureMilliseconds(MakeTime(2024, 3, 9, 22, 14, 0, 0)) + 100 * std::int64_t{picture} + 10 * camera;
}

inline std::string WriteCameras(const TempDir& dir, int count = 30) {
    static const auto frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/mpeg4_352x240.m4v");
    const std::filesystem::path folder = dir.Path() / "backup";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "mp4info.txt") << "[INFO]\nSITENAME=Harbour\nCAMERA_NAME01=Gate\nCAMERA_NAME02=Quay\nCAMERA_NAME03=Office\n";
    RecordingWriter w(kFileKind514);
    for (int camera = 0; camera < 3; ++camera) w.Header().setPlayCamera(camera, 1);
    for (int i = 0; i < count; ++i)
        for (int camera = 0; camera < 3; ++camera) {
            const VideoFrame& f = frames.at(static_cast<std::size_t>(i % 12));
            w.AddVideo(camera, 7, f.key ? kFrameKey : kFrameDependent, f.bytes, FromCaptureMilliseconds(CameraMs(camera, i)), 7);
        }
    w.WriteFile((folder / "CH00.MP4").string());
    return folder.string();
}

class CamerasWindow : public ::testing::Test {
protected:
    void SetUp() override {
        QStandardPaths::setTestModeEnabled(false);  // XDG_DATA_HOME decides
        Restart();
    }
    // A new engine and window (as after a restart) on the folder.
    void Restart() {
        window.reset();
        session = std::make_unique<Session>(notifier);
        window = std::make_unique<MainWindow>(*session, QString::fromStdString(recordings.File("companion")));
        window->show();
        ASSERT_TRUE(session->Open(folder) && session->WaitForIndex());
    }
    void Show(int camera, int picture) {
        ASSERT_TRUE(session->SelectCamera(camera) && session->SeekTo(CameraMs(camera, picture)));
    }
    // A key to the window, made active first (as after a dialog).
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == window.get(); }));
        QTest::keyClick(window.get(), key, modifiers);
    }
    // B, the note typed, then Enter or Esc.
    void AddBookmark(const QString& note, Qt::Key close = Qt::Key_Return) {
        Key(Qt::Key_B);
        auto* dialog = window->findChild<BookmarkDialog*>();
        ASSERT_TRUE(dialog && QTest::qWaitFor([&] { return QApplication::activeWindow() == dialog; }));
        QTest::keyClicks(dialog->Editor(), note);
        QTest::keyClick(dialog->Editor(), close);
        EXPECT_FALSE(dialog->isVisible());
    }

    TempDir recordings, data;
    ScopedEnv xdg{"XDG_DATA_HOME", data.Path().string()};
    std::string folder = WriteCameras(recordings, 300);
    StderrNotifier notifier{false};
    std::unique_ptr<Session> session;
    std::unique_ptr<MainWindow> window;
};

}  // namespace korvane::testing
