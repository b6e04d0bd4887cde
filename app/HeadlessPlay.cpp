#include "app/HeadlessPlay.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>

#include "platform/Notifier.h"

namespace korvane {

int RunHeadlessPlay(const HeadlessPlayRequest& request) {
    StderrNotifier notifier;
    Player player(notifier);
    if (!player.Open(request.recordings)) return 2;
    if (request.mode == PlayMode::PlaySound) player.SetSound(true);
    if (!GoToStartPoint(player, notifier, request.start)) return 1;
    for (int i = 0; i < request.next; ++i) player.StepForward();
    player.SetFastSpeed(request.speed);

    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    if (request.grid) {
        player.WaitForIndex();  // every camera of the set
        player.ShowCameras(player.Cameras());
        player.Settle();  // the pictures at the start are not printed
    }
    QObject::connect(&player, request.grid ? &Player::CameraPictureShown : &Player::PictureShown,
                     [started](const PictureHandle& picture) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(picture->presentedAt - started);
        std::printf("%lld %s\n", static_cast<long long>(ms.count()), picture->caption.c_str());
        std::fflush(stdout);
    });
    QObject::connect(&player, &Player::PlaybackEnded, &QCoreApplication::quit);
    if (!player.Start(request.mode)) return 0;
    QCoreApplication::exec();
    return 0;
}

}  // namespace korvane
