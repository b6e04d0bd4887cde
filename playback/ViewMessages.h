// The messages the control bar sends or posts to the view, and the menu
// command identifiers the view handles.
#pragma once

namespace korvane {

enum ViewMessage : unsigned {
    WM_BAR_OPEN = 6025,
    WM_BAR_PLAY = 6026,  // wParam 1 play, 2 back play, 0 pause
    WM_BAR_RELOAD = 6027,
    WM_BAR_PREVIOUS = 6028,
    WM_BAR_NEXT = 6029,
    WM_BAR_SOUND = 6030,  // wParam: the new setting
    WM_BAR_MENU = 6031,
    WM_BAR_EXIT = 6032,
    WM_BAR_VOLUME = 6035,  // wParam: level 0 to 5
    WM_BAR_ZOOM1 = 6036,
    WM_BAR_ZOOM2 = 6037,
    WM_BAR_ZOOM3 = 6038,
    WM_BAR_FAST_PLAY = 6039,
    WM_BAR_FAST_BACK = 6040,
    WM_BAR_SPEED = 6041,  // wParam: fast speed 0 to 5
    WM_BAR_PLAYBACK_ENDED = 6042,
};

enum ViewCommand : int {
    ID_FILE_OPEN = 32782,
    ID_PLAY = 32777,
    ID_BACK_PLAY = 32798,
    ID_FAST_PLAY = 32796,
    ID_FAST_BACKPLAY = 32797,
    ID_PAUSE = 32778,
    ID_STOP = 32780,
    ID_NEXT = 32786,
    ID_PREVIOUS = 32785,
    ID_SOUND = 32793,
    ID_ZOOM1 = 32787,
    ID_ZOOM2 = 32788,
    ID_ZOOM3 = 32789,
    ID_APP_EXIT = 57665,
};

}  // namespace korvane
