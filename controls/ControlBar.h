// The control bar docked under the view: a skinned panel with fifteen
// picture buttons and two sliders. Playback buttons and sliders go to the
// engine as intents (start a mode, stop, step, sound, volume, speed); the
// transport buttons show the mode the engine reports, not the one asked
// for. Window matters (open, menu, zoom, exit) go out as signals for the
// window. The bar lives on the GUI thread, as do the engine's signals.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include <algorithm>

#include "controls/BitmapPanel.h"
#include "controls/SkinButton.h"
#include "controls/SkinSlider.h"
#include "playback/Player.h"

namespace korvane {

// The bar's layout and its controls.
inline constexpr int IDD_CONTROL_BAR = 102;
enum BarControl : int {
    IDC_BAR_VOLUME = 1009,
    IDC_BAR_SPEED = 1010,
    IDC_BAR_REWIND = 1021,
    IDC_BAR_PREVIOUS = 1022,
    IDC_BAR_PLAY = 1023,
    IDC_BAR_PAUSE = 1024,
    IDC_BAR_NEXT = 1025,
    IDC_BAR_EXIT = 1026,
    IDC_BAR_OPEN = 1027,
    IDC_BAR_MENU = 1028,
    IDC_BAR_ZOOM1 = 1029,
    IDC_BAR_ZOOM2 = 1030,
    IDC_BAR_ZOOM3 = 1031,
    IDC_BAR_EDGE = 1032,
    IDC_BAR_FAST_BACK = 1033,
    IDC_BAR_FAST_PLAY = 1034,
    IDC_BAR_SOUND = 1035,
    IDC_BAR_BACK_PLAY = 1036,
};

// The block of controls; a wider bar centres it and fills the rest with the
// edge strip, in the panel's colours.
inline constexpr int kBarWidth = 354;
inline constexpr int kBarHeight = 61;

class ControlBar : public QWidget {
    Q_OBJECT

public:
    explicit ControlBar(QWidget* parent = nullptr);
    ~ControlBar() override;

    // Places the controls of the bar's layout (template IDD_CONTROL_BAR),
    // sizes the bar 354 x 61 and shows it. 0 for any other template.
    int Create(int templateId = IDD_CONTROL_BAR);

    // The engine the bar drives and follows. It must outlive the bar.
    void Attach(Player& player);

    // A click of a button: 1, or 0 for a refused click.
    long OnClicked(SkinButton* button);

    // The controls by identifier: a button (null for a slider or an unknown
    // identifier) or a slider.
    SkinButton* Button(int controlId);
    SkinToggleButton* ToggleButton(int controlId);
    SkinSlider* Slider(int controlId);

    bool Sound() const { return m_sound; }
    // Where the block of controls starts: centred in a bar wider than the block.
    QPoint BlockOrigin() const { return {std::max(0, (width() - kBarWidth) / 2), 0}; }
    // The skins are assigned on the first paint.
    bool Skinned() const { return !m_buffer.isNull(); }

    QSize sizeHint() const override { return {kBarWidth, kBarHeight}; }

public slots:
    // Checks the zoom button of the factor, however the zoom was set.
    void ShowZoom(int factor);

signals:
    void OpenRequested();
    void MenuToggleRequested();
    void ZoomRequested(int factor);
    void ExitRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void AssignSkins();
    void PlaceControls();
    void DrawBackground();
    // The slider's level 0 to 5 in its tooltip, and beside the pointer while it is dragged.
    void ShowLevel(SkinSlider& slider, const char* name);
    long OnButtonClicked(SkinButton* button);
    long OnToggleClicked(SkinButton* button);
    // A mode button: starts its mode when none plays, else stops the one that plays.
    long StartOrStop(PlayMode mode);
    // The transport buttons follow the mode the engine reports.
    void ShowMode(PlayMode mode);
    SkinToggleButton* ModeButton(PlayMode mode);
    bool RecordingOpen() const { return m_player != nullptr && m_player->FileOpen(); }

    bool m_backgroundDrawn = false;
    bool m_sound = false;
    BitmapPanel m_backPanel;
    QImage m_buffer;  // the background, made on the first paint
    QColor m_background;
    BitmapPanel m_edgePanel;
    SkinButton m_menuButton, m_openButton, m_exitButton, m_nextButton, m_pauseButton, m_previousButton, m_rewindButton;
    SkinSlider m_volumeSlider;
    SkinToggleButton m_playButton, m_zoom1Button, m_zoom2Button, m_zoom3Button, m_fastBackButton, m_fastPlayButton;
    SkinSlider m_speedSlider;
    SkinToggleButton m_soundButton, m_backPlayButton;

    Player* m_player = nullptr;
};

}  // namespace korvane
