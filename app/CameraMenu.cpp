#include "app/CameraMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "playback/Session.h"

namespace korvane {

CameraMenu::CameraMenu(Session& session, QMenuBar& bar) : m_session(session) {
    m_menu = bar.addMenu(tr("&Camera"));
    m_menuAction = m_menu->menuAction();
    m_menuAction->setVisible(false);  // until a recording shows several cameras
    connect(&session, &Session::IndexReady, this, &CameraMenu::Rebuild);
    connect(&session, &Session::Opened, this, &CameraMenu::Rebuild);
    connect(&session, &Session::CameraChanged, this, &CameraMenu::Rebuild, Qt::QueuedConnection);
}

void CameraMenu::Clear() {
    m_menu->clear();
    m_menuAction->setVisible(false);
}

void CameraMenu::Rebuild() {
    m_menu->clear();
    const std::vector<int> cameras = m_session.Cameras();
    for (int camera : cameras) {
        const std::string name = m_session.CameraName(camera);
        QString text = tr("Camera %1").arg(camera + 1);
        if (!name.empty()) text += QStringLiteral(" - ") + QString::fromLocal8Bit(name.c_str());
        QAction* action = m_menu->addAction(text);
        action->setCheckable(true);
        action->setChecked(camera == m_session.SelectedCamera());
        // The menu is made again after the switch, not inside the action's own signal.
        connect(action, &QAction::triggered, this, [this, camera] {
            m_session.SelectCamera(camera);
            QMetaObject::invokeMethod(this, &CameraMenu::Rebuild, Qt::QueuedConnection);
        });
    }
    m_menuAction->setVisible(cameras.size() > 1);
}

}  // namespace korvane
