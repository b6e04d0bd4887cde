#include "app/EvidenceCommands.h"

#include "app/MainWindow.h"

namespace korvane {

EvidenceCommands::EvidenceCommands(MainWindow& window, Session& session)
    : m_bookmarks(window, window.CommandActions(), session),
      m_incident(window, window.CommandActions(), session, m_bookmarks.Store(),
                 [&window] { return std::pair{window.MarkIn(), window.MarkOut()}; }) {}

}  // namespace korvane
