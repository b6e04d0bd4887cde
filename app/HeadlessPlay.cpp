#include "app/HeadlessPlay.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>

#include "platform/Notifier.h"

namespace korvane {

int RunHeadlessPlay(const HeadlessPlayRequest& request) {
    StderrNotifier notifier;
    Session session(notifier);
    if (!session.Open(request.recordings)) return 2;
    if (request.mode == PlayMode::PlaySound) session.SetSound(true);
    if (!GoToStartPoint(session, notifier, request.start)) return 1;
    for (int i = 0; i < request.next; ++i) session.StepForward();
    session.SetFastSpeed(request.speed);

    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    if (request.grid) {
        session.WaitForIndex();  // every camera of the set
        session.ShowCameras(session.Cameras());
        session.Settle();  // the pictures at the start are not printed
    }
    QObject::connect(&session, request.grid ? &Session::CameraPictureShown : &Session::PictureShown,
                     [started](const PictureHandle& picture) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(picture->presentedAt - started);
        std::printf("%lld %s\n", static_cast<long long>(ms.count()), picture->caption.c_str());
        std::fflush(stdout);
    });
    QObject::connect(&session, &Session::PlaybackEnded, &QCoreApplication::quit);
    if (!session.Start(request.mode)) return 0;
    QCoreApplication::exec();
    return 0;
}

}  // namespace korvane
