#include "app/Snapshot.h"

#include <QImage>

#include <cstdio>

#include "platform/Notifier.h"
#include "playback/Player.h"

namespace korvane {

int RunSnapshot(const SnapshotRequest& request) {
    StderrNotifier notifier;
    Player player(notifier);
    if (!player.OpenCommandLine(request.recording)) return 2;
    const bool started = GoToStartPoint(player, notifier, request.start);
    for (int i = 0; i < request.next; ++i) player.StepForward();
    for (int i = 0; i < request.previous; ++i) player.StepBack();

    std::printf("title: %s\n", player.Title().toLocal8Bit().constData());
    std::printf("caption: %s\n", player.Caption().c_str());
    std::printf("stream: %s\n", player.StreamInfo().c_str());
    std::fflush(stdout);
    const PictureHandle& picture = player.CurrentPicture();
    if (!picture || !started) return 1;
    const QImage image(picture->pixels.data(), picture->width, picture->height, picture->width * 3,
                       QImage::Format_BGR888);
    if (!image.save(QString::fromLocal8Bit(request.outputPath.c_str()), "PNG")) {
        notifier.ShowMessage("cannot write " + request.outputPath);
        return 1;
    }
    return 0;
}

}  // namespace korvane
