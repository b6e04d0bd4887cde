// Every command of the window as one QAction: its text, keys, tooltip
// (naming its key), enabled and checked state. The menu, the control bar
// and the keys all use the same action, so they cannot disagree about what
// a command does; the window connects one handler to each.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>

#include <map>

class QAction;
class QWidget;

namespace korvane {

enum class Command {
    Open, SavePicture, ExportClip, Print, Exit,
    Play, BackPlay, Pause, Stop, FastPlay, FastBackPlay,
    Previous, Next, First, Last, BackShort, ForwardShort, BackLong, ForwardLong,
    Faster, Slower, Sound,
    Zoom1, Zoom2, Zoom3, KeepProportions, FullScreen, LeaveFullScreen, ToggleMenu,
    GoTo, MarkIn, MarkOut,
    Keys, About,
    // Brought by the picture and search features (PictureCommands, MotionSearchFlow).
    OriginalSize, FitToWindow, WholePicture, SmoothZoom, AdjustPanel,
    Brighter, Darker, MoreContrast, LessContrast, GammaUp, GammaDown, Deinterlace, ResetAdjustments,
    MotionSearch, NextEvent, PreviousEvent,
    // Brought by the site view (SiteCommands).
    LayoutAutomatic, Layout1, Layout2x2, Layout3x3, Layout4x4, CameraAlone, NextCamera, PreviousCamera,
    // Brought by the evidence commands (EvidenceCommands.cpp).
    AddBookmark, Bookmarks, ExportIncident,
};

class Actions : public QObject {
    Q_OBJECT

public:
    // Makes the actions as children of `window` and adds them to it, so
    // that their keys work while the menu bar is hidden.
    explicit Actions(QWidget& window);

    // The action of a command; never null for a command made here.
    QAction* operator[](Command command) const { return m_actions.at(command); }
    // Adds the action of a command made elsewhere (text, keys, tooltip
    // without the key), for features that bring their own commands.
    QAction* Add(Command command, const QString& text, const QList<QKeySequence>& keys, const QString& tip,
                 bool checkable = false);
    // Every action with a key, in the order made.
    QList<QAction*> WithKeys() const;

private:
    QWidget& m_window;
    std::map<Command, QAction*> m_actions;  // owned by the window
    QList<QAction*> m_order;
};

// "Play (Space)": the tip followed by the action's keys as shown to people.
QString TipWithKeys(const QString& tip, const QList<QKeySequence>& keys);

}  // namespace korvane
