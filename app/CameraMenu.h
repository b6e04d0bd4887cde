// The CAMERA menu: one checkable entry per camera of the session ("Camera N
// - name"), the selected one checked; choosing one selects that camera at
// the moment shown. Its entry in the menu bar shows only for several cameras.
#pragma once

#include <QObject>

class QAction;
class QMenu;
class QMenuBar;

namespace korvane {

class Session;

class CameraMenu : public QObject {
    Q_OBJECT

public:
    // Adds the menu to the bar. The engine must outlive it.
    CameraMenu(Session& session, QMenuBar& bar);

    QMenu* Menu() const { return m_menu; }
    QAction* MenuAction() const { return m_menuAction; }
    // Empty and hidden: nothing is open.
    void Clear();

private:
    void Rebuild();

    Session& m_session;
    QMenu* m_menu = nullptr;  // owned by the menu bar
    QAction* m_menuAction = nullptr;
};

}  // namespace korvane
