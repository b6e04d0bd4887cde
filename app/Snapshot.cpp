#include "app/Snapshot.h"

#include <QImage>
#include <QPainter>

#include <cstdio>
#include <map>

#include "app/SiteLayout.h"
#include "app/TilePainter.h"

#include "platform/Notifier.h"
#include "playback/Session.h"

namespace korvane {
namespace {

constexpr int kTileFrame = 2;  // the tile painter's frame on each side

// Every camera of the session at the moment shown, in the layout the window
// picks for their number, each tile as large as the selected camera's picture.
QImage Mosaic(Session& session, int size) {
    session.WaitForIndex();
    const std::vector<int> cameras = CamerasOnPage(session.Cameras(), AutomaticSide(session.Cameras().size()),
                                                   session.SelectedCamera());
    const int side = AutomaticSide(cameras.size());
    const PictureHandle selected = session.CurrentPicture();
    QSize tile = selected ? QSize(selected->width, selected->height) : QSize(352, 240);
    tile += QSize(2 * kTileFrame, 2 * kTileFrame);
    if (size > 0) tile.scale(QSize(size / side, size / side), Qt::KeepAspectRatio);
    std::map<int, std::optional<std::int64_t>> next;  // of the cameras without a picture
    const QMetaObject::Connection dark = QObject::connect(
        &session, &Session::CameraWithoutPicture,
        [&next](int camera, qint64 ms) { next[camera] = ms >= 0 ? std::optional<std::int64_t>(ms) : std::nullopt; });
    for (int camera : cameras) session.SetShownSize(camera, tile - QSize(2 * kTileFrame, 2 * kTileFrame));
    session.ShowCameras(cameras);
    session.Settle();
    QObject::disconnect(dark);

    QImage mosaic(tile.width() * side, tile.height() * side, QImage::Format_RGB32);
    mosaic.fill(Qt::black);
    QPainter painter(&mosaic);
    for (std::size_t i = 0; i < cameras.size(); ++i) {
        TileContent content;
        content.camera = cameras[i];
        content.name = session.CameraName(cameras[i]);
        content.picture = session.CameraPicture(cameras[i]);
        content.noRecording = !content.picture;
        if (const auto n = next.find(cameras[i]); n != next.end()) content.next = n->second;
        PaintTile(painter, TileRect(mosaic.rect(), side, int(i)), content, cameras[i] == session.SelectedCamera());
        std::printf("tile %d: %s\n", cameras[i] + 1,
                    content.picture ? content.picture->caption.c_str() : "No recording");
    }
    return mosaic;
}

}  // namespace

int RunSnapshot(const SnapshotRequest& request) {
    StderrNotifier notifier;
    Session session(notifier);
    const bool opened = session.Open(request.recordings);
    bool started = false;
    if (opened) {
        started = GoToStartPoint(session, notifier, request.start);
        for (int i = 0; i < request.next; ++i) session.StepForward();
        for (int i = 0; i < request.previous; ++i) session.StepBack();
    }
    // The three lines come also for a file that does not open: the title is
    // then its path (as the window would show it), caption and stream empty.
    std::printf("title: %s\n", session.Title().toLocal8Bit().constData());
    std::printf("caption: %s\n", opened ? session.Caption().c_str() : "");
    std::printf("stream: %s\n", opened ? session.StreamInfo().c_str() : "");
    std::fflush(stdout);
    if (!opened) return 2;
    const PictureHandle picture = session.CurrentPicture();
    if (!picture || !started) return 1;
    QImage image;
    if (request.grid) {
        image = Mosaic(session, request.size);
        std::fflush(stdout);
    } else {
        image = PixelsImage(*picture);
        if (request.size > 0) image = image.scaled(request.size, request.size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    if (!image.save(QString::fromLocal8Bit(request.outputPath.c_str()), "PNG")) {
        notifier.ShowMessage("cannot write " + request.outputPath);
        return 1;
    }
    return 0;
}

}  // namespace korvane
