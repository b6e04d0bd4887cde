#include "app/CameraMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "playback/Player.h"

namespace korvane {

CameraMenu::CameraMenu(Player& player, QMenuBar& bar) : m_player(player) {
    m_menu = bar.addMenu(tr("&Camera"));
    m_menuAction = m_menu->menuAction();
    m_menuAction->setVisible(false);  // until a recording shows several cameras
    connect(&player, &Player::IndexReady, this, &CameraMenu::Rebuild);
    connect(&player, &Player::Opened, this, &CameraMenu::Rebuild);
    connect(&player, &Player::CameraChanged, this, &CameraMenu::Rebuild, Qt::QueuedConnection);
}

void CameraMenu::Clear() {
    m_menu->clear();
    m_menuAction->setVisible(false);
}

void CameraMenu::Rebuild() {
    m_menu->clear();
    const std::vector<int> cameras = m_player.Cameras();
    for (int camera : cameras) {
        const std::string name = m_player.CameraName(camera);
        QString text = tr("Camera %1").arg(camera + 1);
        if (!name.empty()) text += QStringLiteral(" - ") + QString::fromLocal8Bit(name.c_str());
        QAction* action = m_menu->addAction(text);
        action->setCheckable(true);
        action->setChecked(camera == m_player.SelectedCamera());
        // The menu is made again after the switch, not inside the action's own signal.
        connect(action, &QAction::triggered, this, [this, camera] {
            m_player.SelectCamera(camera);
            QMetaObject::invokeMethod(this, &CameraMenu::Rebuild, Qt::QueuedConnection);
        });
    }
    m_menuAction->setVisible(cameras.size() > 1);
}

}  // namespace korvane
