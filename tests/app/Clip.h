// The recording the app and bar tests open: camera 1, `count` pictures of the
// fixture's first 12 over and over, `stepMs` apart from 2026-04-05 06:07:08.000.
#pragma once

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <cstdio>
#include <string>

#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"

namespace korvane::testing {

inline std::string WriteClip(const TempDir& dir, const std::string& name, int count = 12, int stepMs = 40) {
    static const auto frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/mpeg4_352x240.m4v");
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    for (int i = 0; i < count; ++i) {
        const VideoFrame& f = frames.at(static_cast<std::size_t>(i % 12));
        w.AddVideo(0, 7, f.key ? kFrameKey : kFrameDependent, f.bytes,
                   AddMilliseconds(MakeTime(2026, 4, 5, 6, 7, 8, 0), std::int64_t{stepMs} * i), 7);
    }
    const std::string path = dir.File(name);
    w.WriteFile(path);
    return path;
}

// The caption of picture i of a clip written with 40 ms steps.
inline std::string ClipCaption(int i) {
    char text[64];
    std::snprintf(text, sizeof text, "CAM =1  2026-04-05 06:07:%02d  %03d", 8 + 40 * i / 1000, 40 * i % 1000);
    return text;
}

// Drags the files onto the widget and drops them there.
inline void DropFiles(QObject* target, std::initializer_list<std::string> paths) {
    QList<QUrl> urls;
    for (const std::string& path : paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &drop);
}

}  // namespace korvane::testing
