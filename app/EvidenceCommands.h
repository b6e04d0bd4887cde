// The window's evidence commands: bookmarks (B, VIEW > Bookmarks) and the
// incident export (FILE > Export incident...), which takes the bookmarks
// along. Made by the window before its menus, which list the commands.
#pragma once

#include "app/BookmarkCommands.h"
#include "app/IncidentCommand.h"

namespace korvane {

class MainWindow;

class EvidenceCommands {
public:
    EvidenceCommands(MainWindow& window, Session& session);

    BookmarkCommands& Bookmarks() { return m_bookmarks; }
    IncidentCommand& Incident() { return m_incident; }

private:
    BookmarkCommands m_bookmarks;
    IncidentCommand m_incident;
};

}  // namespace korvane
