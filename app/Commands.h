// The menu's command identifiers.
#pragma once

namespace korvane {

enum Command : int {
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
    ID_KEEP_PROPORTIONS = 32901,
    ID_ORIGINAL_SIZE = 32902,
    ID_FIT_TO_WINDOW = 32903,
    ID_WHOLE_PICTURE = 32904,
    ID_SMOOTH_ZOOM = 32905,
    ID_ADJUST_PANEL = 32906,
    ID_MOTION_SEARCH = 32907,
    ID_APP_EXIT = 57665,
    ID_GO_TO = 32800,
    ID_HELP_KEYS = 32801,
    ID_CAMERA_FIRST = 33000,  // the CAMERA menu: camera c (0-based) is ID_CAMERA_FIRST + c
    ID_FILE_SAVE_PICTURE = 32802,
    ID_FILE_EXPORT_CLIP = 32803,
};

}  // namespace korvane
