// The recent recordings in FILE: "1 path" for each, newest first, between
// the file commands and Exit, listed again each time the menu opens.
#pragma once

#include <QObject>

#include <memory>
#include <vector>

class QAction;
class QMenu;

namespace korvane {

class Session;
class RecentFileList;

class RecentFilesMenu : public QObject {
    Q_OBJECT

public:
    // Lists into `file` before `end` (the separator before Exit). The engine and the menu must outlive it.
    RecentFilesMenu(Session& session, QMenu& file, QAction& end);
    ~RecentFilesMenu() override;

    void Use(const RecentFileList& files) { m_files = &files; }

private:
    void List();

    Session& m_session;
    QMenu& m_file;
    QAction& m_end;
    const RecentFileList* m_files = nullptr;
    std::vector<std::unique_ptr<QAction>> m_actions;  // shown in FILE while they live
};

}  // namespace korvane
