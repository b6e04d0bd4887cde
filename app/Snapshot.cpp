#include "app/Snapshot.h"

#include <QImage>

#include <cstdio>
#include <cstdlib>

#include "platform/Notifier.h"
#include "playback/PlayerView.h"

namespace korvane {

// The presented picture, top row first, as an image of its own.
static QImage ToImage(const Presentation& p) {
    const int width = p.format.biWidth;
    const int height = std::abs(p.format.biHeight);
    QImage rows(p.pixels.data(), width, height, width * 3, QImage::Format_BGR888);
    return p.format.biHeight > 0 ? rows.mirrored(false, true) : rows.copy();
}

int RunSnapshot(const SnapshotRequest& request) {
    StderrNotifier notifier;
    PlayerView view(notifier);
    if (view.OpenCommandLine(request.recording) == 0) return 2;
    for (int i = 0; i < request.next; ++i) view.OnNext();
    for (int i = 0; i < request.previous; ++i) view.OnPrevious();

    const Presentation p = view.TakePresentation();
    std::printf("title: %s\n", view.windowTitle().toLocal8Bit().constData());
    std::printf("caption: %s\n", p.caption.c_str());
    std::printf("stream: %s\n", p.streamInfo.c_str());
    std::fflush(stdout);
    if (!p.ready) return 1;
    if (!ToImage(p).save(QString::fromLocal8Bit(request.outputPath.c_str()), "PNG")) {
        notifier.ShowMessage("cannot write " + request.outputPath);
        return 1;
    }
    return 0;
}

}  // namespace korvane
