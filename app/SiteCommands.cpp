#include "app/SiteCommands.h"

#include <QAction>

#include "app/SiteView.h"

namespace korvane {
namespace {

const std::pair<Command, int> kLayouts[] = {
    {Command::LayoutAutomatic, 0}, {Command::Layout1, 1}, {Command::Layout2x2, 2},
    {Command::Layout3x3, 3},       {Command::Layout4x4, 4},
};

const QList<QKeySequence> kEnter = {Qt::Key_Return, Qt::Key_Enter};

}  // namespace

SiteCommands::SiteCommands(Actions& a, const CommandHandler& handle, SiteView& view) : m_actions(a), m_view(view) {
    a.Add(Command::LayoutAutomatic, tr("Layout for the cameras"), {QKeySequence(Qt::CTRL | Qt::Key_0)},
          tr("As many tiles as the recording has cameras"), true);
    a.Add(Command::Layout1, tr("One camera"), {QKeySequence(Qt::CTRL | Qt::Key_1)}, tr("The selected camera alone"), true);
    a.Add(Command::Layout2x2, tr("2 x 2 cameras"), {QKeySequence(Qt::CTRL | Qt::Key_2)}, tr("Four tiles"), true);
    a.Add(Command::Layout3x3, tr("3 x 3 cameras"), {QKeySequence(Qt::CTRL | Qt::Key_3)}, tr("Nine tiles"), true);
    a.Add(Command::Layout4x4, tr("4 x 4 cameras"), {QKeySequence(Qt::CTRL | Qt::Key_4)}, tr("Sixteen tiles"), true);
    a.Add(Command::CameraAlone, tr("Camera alone"), {}, tr("The selected camera alone or all cameras"), true);
    a.Add(Command::NextCamera, tr("Next camera"), {Qt::Key_Tab}, tr("Select the next camera"));
    a.Add(Command::PreviousCamera, tr("Previous camera"), {QKeySequence(Qt::SHIFT | Qt::Key_Tab)},
          tr("Select the previous camera"));
    for (const auto& [command, side] : kLayouts) handle(command, [this, side] { m_view.ChooseSide(side); });
    handle(Command::CameraAlone, [this] { m_view.ToggleAlone(); });
    handle(Command::NextCamera, [this] { m_view.MoveSelection(1); });
    handle(Command::PreviousCamera, [this] { m_view.MoveSelection(-1); });
    connect(&view, &SiteView::Changed, this, &SiteCommands::ShowStates);
    ShowStates();
}

void SiteCommands::ShowStates() {
    for (const auto& [command, side] : kLayouts) m_actions[command]->setChecked(m_view.ChosenSide() == side);
    const bool grid = m_view.GridLayout();
    m_actions[Command::CameraAlone]->setEnabled(grid);
    m_actions[Command::CameraAlone]->setChecked(m_view.Alone());
    // Enter shows a tile alone where there is a grid, else it is full screen's.
    QAction* alone = m_actions[Command::CameraAlone];
    QAction* fullScreen = m_actions[Command::FullScreen];
    const QList<QKeySequence> aloneKeys = grid ? kEnter : QList<QKeySequence>{};
    if (alone->shortcuts() != aloneKeys) {
        QList<QKeySequence> fullKeys = {Qt::Key_F};
        if (!grid) fullKeys += kEnter;
        alone->setShortcuts(aloneKeys);
        alone->setToolTip(TipWithKeys(alone->statusTip(), aloneKeys));
        fullScreen->setShortcuts(fullKeys);
        fullScreen->setToolTip(TipWithKeys(fullScreen->statusTip(), fullKeys));
    }
    for (Command command : {Command::NextCamera, Command::PreviousCamera}) m_actions[command]->setEnabled(grid);
}

}  // namespace korvane
