// The window's picture commands: original size, fit, out of the zoom,
// smooth zoom, and the adjustments (brightness, contrast, gamma,
// deinterlacing) by their keys and in their panel, all applied to the view.
#pragma once

#include <QObject>

#include <functional>
#include <memory>

#include "app/Actions.h"
#include "app/PictureAdjust.h"

class QWidget;

namespace korvane {

class AdjustPanel;
class PlayerView;

// Connects a command's action to its handler (the window's, which shows the states after it).
using CommandHandler = std::function<void(Command, std::function<void()>)>;

class PictureCommands : public QObject {
    Q_OBJECT

public:
    // Adds the commands to `actions` and handles them on `view`;
    // `keepProportions` sets and keeps that choice. The view and the window must outlive it.
    PictureCommands(Actions& actions, const CommandHandler& handle, PlayerView& view, QWidget& window,
                    std::function<void(bool)> keepProportions);
    ~PictureCommands() override;

    // The adjustment panel; null until first shown.
    AdjustPanel* Panel() const { return m_panel.get(); }

private:
    void ShowPanel();
    void Adjust(void (*change)(PictureAdjustments&));

    PlayerView& m_view;
    QWidget& m_window;
    std::function<void(bool)> m_keepProportions;
    std::unique_ptr<AdjustPanel> m_panel;
};

}  // namespace korvane
