// The site view's commands: the grid layouts (automatic, 1, 2x2, 3x3, 4x4
// on Ctrl+0 to Ctrl+4), the selected camera alone and back (Enter, which
// is full screen's key while there is no grid), and the selection moved
// with Tab and Shift+Tab.
#pragma once

#include <QObject>

#include "app/PictureCommands.h"

namespace korvane {

class SiteView;

class SiteCommands : public QObject {
    Q_OBJECT

public:
    // Adds the commands to `actions` and handles them on `view`, which must outlive them.
    SiteCommands(Actions& actions, const CommandHandler& handle, SiteView& view);

    // The layout checked, the commands a grid needs, and where Enter goes.
    void ShowStates();

private:
    Actions& m_actions;
    SiteView& m_view;
};

}  // namespace korvane
