#include "app/StartPoint.h"

namespace korvane {

bool GoToStartPoint(Player& player, Notifier& notifier, const StartPoint& start) {
    if (!start.Given()) return true;
    if (!player.WaitForIndex()) {
        notifier.ShowMessage("The recording could not be indexed.");
        return false;
    }
    // The engine tells the user of a camera without pictures.
    if (start.camera && !player.SelectCamera(*start.camera)) return false;
    return !start.at || player.SeekTo(*start.at);
}

}  // namespace korvane
