#include "app/Snapshot.h"

#include <QImage>

#include <cstdio>

#include "platform/Notifier.h"
#include "playback/Player.h"

namespace korvane {

int RunSnapshot(const SnapshotRequest& request) {
    StderrNotifier notifier;
    Player player(notifier);
    const bool opened = player.Open(request.recordings);
    bool started = false;
    if (opened) {
        started = GoToStartPoint(player, notifier, request.start);
        for (int i = 0; i < request.next; ++i) player.StepForward();
        for (int i = 0; i < request.previous; ++i) player.StepBack();
    }
    // The three lines come also for a file that does not open: the title is
    // then its path (as the window would show it), caption and stream empty.
    std::printf("title: %s\n", player.Title().toLocal8Bit().constData());
    std::printf("caption: %s\n", opened ? player.Caption().c_str() : "");
    std::printf("stream: %s\n", opened ? player.StreamInfo().c_str() : "");
    std::fflush(stdout);
    if (!opened) return 2;
    const PictureHandle picture = player.CurrentPicture();
    if (!picture || !started) return 1;
    QImage image(picture->Bytes().data(), picture->width, picture->height, picture->width * 3, QImage::Format_BGR888);
    if (request.size > 0) image = image.scaled(request.size, request.size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (!image.save(QString::fromLocal8Bit(request.outputPath.c_str()), "PNG")) {
        notifier.ShowMessage("cannot write " + request.outputPath);
        return 1;
    }
    return 0;
}

}  // namespace korvane
