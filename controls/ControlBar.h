// The control bar docked under the view: a skinned panel of picture buttons
// and two sliders. Each button stands for one of the window's actions: a
// click triggers the action, and the button shows the action's enabled and
// checked state and its tooltip, so the bar, the menu and the keys always
// agree. The sliders set the engine's volume and fast speed. The bar lives
// on the GUI thread, as do the engine's signals.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include <algorithm>
#include <array>

#include "controls/BitmapPanel.h"
#include "controls/SkinButton.h"
#include "controls/SkinSlider.h"
#include "playback/Session.h"

class QAction;

namespace korvane {

enum class BarButton {
    First, Previous, BackPlay, Play, Pause, Next, Last, Sound,
    FastBack, FastPlay, Exit, Open, Menu, Zoom1, Zoom2, Zoom3,
};
inline constexpr int kBarButtonCount = 16;
enum class BarSlider { Volume, Speed };

// The block of controls; a wider bar centres it and fills the rest with the
// edge strip, in the panel's colours.
inline constexpr int kBarWidth = 354;
inline constexpr int kBarHeight = 61;
// A slider position becomes a level 0 to 5.
inline constexpr int kSliderPositionsPerLevel = 20;

class ControlBar : public QWidget {
    Q_OBJECT

public:
    explicit ControlBar(QWidget* parent = nullptr);
    ~ControlBar() override;

    // The engine the sliders drive. It must outlive the bar.
    void Attach(Session& session);
    // The action a button stands for (it must outlive the bar).
    void Bind(BarButton button, QAction* action);

    SkinButton* Button(BarButton button) { return m_buttons[static_cast<std::size_t>(button)]; }
    // The button as a toggle; null for a button without a checked state.
    SkinToggleButton* ToggleButton(BarButton button) { return qobject_cast<SkinToggleButton*>(Button(button)); }
    SkinSlider* Slider(BarSlider slider) { return slider == BarSlider::Volume ? &m_volumeSlider : &m_speedSlider; }
    // Moves the speed slider to a level 0 to 5 set elsewhere (the keys).
    void ShowSpeed(int level);

    // Where the block of controls starts: centred in a bar wider than the block.
    QPoint BlockOrigin() const { return {std::max(0, (width() - kBarWidth) / 2), 0}; }
    // The skins are assigned on the first paint.
    bool Skinned() const { return !m_buffer.isNull(); }

    QSize sizeHint() const override { return {kBarWidth, kBarHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void AssignSkins();
    void PlaceControls();
    void DrawBackground();
    // The slider's level 0 to 5 in its tooltip, and beside the pointer while it is dragged.
    void ShowLevel(SkinSlider& slider, const char* name);
    // The button shows its action's state.
    void Follow(BarButton button, const QAction& action);

    bool m_backgroundDrawn = false;
    BitmapPanel m_backPanel;
    QImage m_buffer;  // the background, made on the first paint
    QColor m_background;
    BitmapPanel m_edgePanel;
    SkinSlider m_volumeSlider;
    SkinSlider m_speedSlider;
    std::array<SkinButton*, kBarButtonCount> m_buttons{};  // children of the bar
    std::array<QAction*, kBarButtonCount> m_actions{};

    Session* m_session = nullptr;
};

}  // namespace korvane
