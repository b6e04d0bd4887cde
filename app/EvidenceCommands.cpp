#include "app/EvidenceCommands.h"

#include "app/MainWindow.h"

namespace korvane {

EvidenceCommands::EvidenceCommands(MainWindow& window, Player& player)
    : m_bookmarks(window, window.CommandActions(), player),
      m_incident(window, window.CommandActions(), player, m_bookmarks.Store(),
                 [&window] { return std::pair{window.MarkIn(), window.MarkOut()}; }) {}

}  // namespace korvane
