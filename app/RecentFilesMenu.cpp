#include "app/RecentFilesMenu.h"

#include <QAction>
#include <QMenu>

#include "desktop/RecentFileList.h"
#include "playback/Session.h"

namespace korvane {

RecentFilesMenu::RecentFilesMenu(Session& session, QMenu& file, QAction& end)
    : m_session(session), m_file(file), m_end(end) {
    connect(&file, &QMenu::aboutToShow, this, &RecentFilesMenu::List);
}

RecentFilesMenu::~RecentFilesMenu() = default;

void RecentFilesMenu::List() {
    m_actions.clear();  // a destroyed action leaves the menu by itself
    if (m_files == nullptr || m_files->Files().isEmpty()) return;
    const QStringList& files = m_files->Files();
    auto separator = std::make_unique<QAction>();
    separator->setSeparator(true);
    m_file.insertAction(&m_end, separator.get());
    m_actions.push_back(std::move(separator));
    for (qsizetype i = 0; i < files.size(); ++i) {
        auto action = std::make_unique<QAction>(QStringLiteral("&%1 %2").arg(i + 1).arg(files[i]));
        const std::string path = files[i].toLocal8Bit().toStdString();
        connect(action.get(), &QAction::triggered, this, [this, path] { m_session.Open(path); });
        m_file.insertAction(&m_end, action.get());
        m_actions.push_back(std::move(action));
    }
}

}  // namespace korvane
