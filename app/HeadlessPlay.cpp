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
    QObject::connect(&player, &Player::PictureShown, [started](const PictureHandle& picture) {
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
