// What the view needs of the control bar: the end of a playback loop, the
// reset that reopens the recording, and the sound button's state.
#pragma once

namespace korvane {

class ControlBarLink {
public:
    virtual ~ControlBarLink() = default;
    // From a worker thread when a playback loop has ended: the bar returns to
    // idle and posts WM_BAR_PLAYBACK_ENDED to the view.
    virtual void PlaybackEnded() = 0;
    // On the GUI thread: the bar returns to idle and sends WM_BAR_RELOAD.
    virtual void ResetAndReload() = 0;
    virtual void SetSound(bool on) = 0;
};

}  // namespace korvane
