#include "app/StartPoint.h"

namespace korvane {

bool GoToStartPoint(Session& session, Notifier& notifier, const StartPoint& start) {
    if (!start.Given()) return true;
    if (!session.WaitForIndex()) {
        notifier.ShowMessage("The recording could not be indexed.");
        return false;
    }
    // The engine tells the user of a camera without pictures.
    if (start.camera && !session.SelectCamera(*start.camera)) return false;
    return !start.at || session.SeekTo(*start.at);
}

}  // namespace korvane
