// The control bar docked under the view: a skinned panel with fifteen
// picture buttons and two sliders. Each click or slider move becomes one
// numbered message to the view; the bar keeps the enabled and checked look
// of the transport buttons in step with the playback mode it started, and
// returns to its idle look when the view reloads or a playback loop ends.
//
// Threads: the bar lives on the GUI thread. PlaybackEnded comes from a
// playback worker: it hands the reset to the GUI thread and waits for it,
// then posts the end notice to the view, so the worker never waits for the
// view. The GUI thread must keep serving events while it waits for a worker
// (the view's stop waits do).
#pragma once

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <functional>

#include "controls/BitmapPanel.h"
#include "controls/SkinButton.h"
#include "controls/SkinSlider.h"
#include "platform/Mailbox.h"
#include "platform/Messages.h"
#include "playback/ControlBarLink.h"

namespace korvane {

class PlayerView;

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

// The trackbar notification, from a slider to the bar.
inline constexpr unsigned WM_HSCROLL = 0x0114;

inline constexpr int kBarWidth = 354;
inline constexpr int kBarHeight = 61;
// Where the edge strip starts: it covers the bar from here to its right edge.
inline constexpr int kBarEdgeX = 353;

class ControlBar : public QWidget, public MessageTarget, public ControlBarLink {
    Q_OBJECT

public:
    explicit ControlBar(QWidget* parent = nullptr);
    ~ControlBar() override;

    // Places the controls of the bar's layout (template IDD_CONTROL_BAR),
    // sizes the bar 354 x 61 and shows it. 0 for any other template.
    int Create(int templateId = IDD_CONTROL_BAR);

    // Where the messages go, and how the bar learns whether a recording is
    // open (the transport buttons are refused while none is).
    void SetView(MessageTarget* view, std::function<bool()> recordingOpen);
    // Both from the view; the view also gets the bar as its control bar. A
    // bar that goes while the view lives stops the view's playback first and
    // hands the view back its stand-in, so that no worker reaches a bar that
    // is gone.
    void AttachView(PlayerView& view);

    // ControlBarLink
    void PlaybackEnded() override;
    void ResetAndReload() override;
    void SetSound(bool on) override;

    // The transport buttons back to idle: no mode, all enabled, none checked.
    void ResetToIdle();

    // The clicks of the buttons (WM_SKIN_BUTTON_CLICKED, WM_SKIN_TOGGLE_CLICKED,
    // wParam the button): 1, or 0 for a refused click. The sliders'
    // notifications (WM_HSCROLL, lParam the slider).
    long HandleMessage(unsigned id, WParam wParam, LParam lParam) override;
    Mailbox& MessageMailbox() override { return m_mailbox; }

    // The controls by identifier: a button (null for a slider or an unknown
    // identifier) or a slider.
    SkinButton* Button(int controlId);
    SkinToggleButton* ToggleButton(int controlId);
    SkinSlider* Slider(int controlId);

    bool ForwardMode() const { return m_forwardMode; }
    bool BackMode() const { return m_backMode; }
    bool Sound() const { return m_sound; }
    // The skins are assigned on the first paint.
    bool Skinned() const { return !m_buffer.isNull(); }

    QSize sizeHint() const override { return {kBarWidth, kBarHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void AssignSkins();
    void DrawBackground();
    long OnButtonClicked(SkinButton* button);
    long OnToggleClicked(SkinButton* button);
    // While a mode plays, its own button (which stops it) is the only mode
    // button enabled, and the steps are off.
    void LockModeButtons(const SkinToggleButton& playing);
    // Every mode button enabled and unchecked.
    void ResetModeButtons();
    // No mode plays: the mode buttons reset, the steps on.
    void ReleaseModeButtons();
    void OnHScroll(SkinSlider* slider);
    long Send(unsigned id, WParam wParam = 0);
    bool RecordingOpen() const { return m_recordingOpen && m_recordingOpen(); }

    bool m_backgroundDrawn = false;
    bool m_forwardMode = false;  // PLAY, FAST PLAY or FAST BACK started here and not stopped
    bool m_sound = false;
    bool m_backMode = false;  // BACK PLAY started here and not stopped
    BitmapPanel m_panelBack;
    QImage m_buffer;  // the background, made on the first paint
    QColor m_background;
    BitmapPanel m_panelEdge;
    SkinButton m_btnMenu, m_btnOpen, m_btnExit, m_btnNext, m_btnPause, m_btnPrevious, m_btnRewind;
    SkinSlider m_sliderVolume;
    SkinToggleButton m_btnPlay, m_btnZoom1, m_btnZoom2, m_btnZoom3, m_btnFastBack, m_btnFastPlay;
    SkinSlider m_sliderSpeed;
    SkinToggleButton m_btnSound, m_btnBackPlay;

    Mailbox m_mailbox{this};
    MessageTarget* m_view = nullptr;
    std::function<bool()> m_recordingOpen;
    QPointer<PlayerView> m_attachedView;  // null once that view is gone
};

}  // namespace korvane
