#include "controls/ControlBar.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QScreen>

#include <algorithm>


namespace korvane {
namespace {

// The layout is kept in dialog units of its font (8-point MS Sans Serif),
// whose base units are 6 x 13 pixels: x pixels = units x 6 / 4, y pixels =
// units x 13 / 8, the corner and the size each rounded on their own.
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

int MulDiv(int number, int numerator, int denominator) {
    return (number * numerator + denominator / 2) / denominator;
}

QRect DialogRect(int x, int y, int cx, int cy) {
    return QRect(MulDiv(x, kBaseUnitX, 4), MulDiv(y, kBaseUnitY, 8), MulDiv(cx, kBaseUnitX, 4),
                 MulDiv(cy, kBaseUnitY, 8));
}

// The bar's template: each control and its rectangle in dialog units.
struct Placement {
    int id;
    int x, y, cx, cy;
};
constexpr Placement kTemplate[] = {
    {IDC_BAR_VOLUME, 148, 2, 39, 12},   {IDC_BAR_REWIND, 1, 3, 13, 15},    {IDC_BAR_PREVIOUS, 12, 5, 13, 15},
    {IDC_BAR_PLAY, 49, 5, 13, 15},      {IDC_BAR_PAUSE, 68, 5, 13, 15},    {IDC_BAR_NEXT, 87, 5, 13, 15},
    {IDC_BAR_EXIT, 127, 24, 13, 15},    {IDC_BAR_OPEN, 140, 25, 13, 15},   {IDC_BAR_MENU, 152, 25, 13, 15},
    {IDC_BAR_ZOOM1, 165, 25, 13, 15},   {IDC_BAR_ZOOM2, 176, 25, 13, 15},  {IDC_BAR_ZOOM3, 187, 25, 13, 15},
    {IDC_BAR_EDGE, 94, 23, 13, 15},     {IDC_BAR_FAST_BACK, 26, 29, 13, 15}, {IDC_BAR_FAST_PLAY, 41, 29, 13, 15},
    {IDC_BAR_SPEED, 54, 29, 35, 9},     {IDC_BAR_SOUND, 134, 3, 13, 15},   {IDC_BAR_BACK_PLAY, 30, 5, 13, 15},
};

// The bitmaps of each button: normal, pressed, hover, disabled; in the order
// they are given out.
struct ButtonSkin {
    int id;
    int normal, pressed, hover, disabled;
};
constexpr ButtonSkin kFirstButtons[] = {
    {IDC_BAR_REWIND, 191, 192, 190, 191},  {IDC_BAR_PREVIOUS, 173, 180, 175, 172},
    {IDC_BAR_PLAY, 186, 187, 188, 185},    {IDC_BAR_PAUSE, 182, 183, 184, 181},
    {IDC_BAR_NEXT, 169, 170, 171, 168},    {IDC_BAR_EXIT, 141, 143, 140, 141},
    {IDC_BAR_OPEN, 166, 167, 165, 166},    {IDC_BAR_MENU, 159, 160, 158, 159},
    {IDC_BAR_ZOOM1, 150, 152, 150, 150},   {IDC_BAR_ZOOM2, 153, 155, 153, 153},
    {IDC_BAR_ZOOM3, 156, 149, 156, 156},   {IDC_BAR_FAST_BACK, 199, 200, 201, 194},
    {IDC_BAR_FAST_PLAY, 195, 196, 197, 198},
};
constexpr ButtonSkin kLastButtons[] = {
    {IDC_BAR_SOUND, 204, 203, 204, 204},
    {IDC_BAR_BACK_PLAY, 206, 207, 208, 205},
};

constexpr int kPanelBitmap = 136;
constexpr int kEdgeBitmap = 189;
constexpr int kThumbBitmap = 144;
constexpr int kVolumeChannel = 148;
constexpr int kSpeedChannel = 193;
constexpr int kSliderMax = 100;
// A slider position becomes a level 0 to 5.
constexpr int kPositionsPerLevel = 20;

}  // namespace

ControlBar::ControlBar(QWidget* parent)
    : QWidget(parent),
      m_background(palette().color(QPalette::Button)),
      m_btnMenu(this),
      m_btnOpen(this),
      m_btnExit(this),
      m_btnNext(this),
      m_btnPause(this),
      m_btnPrevious(this),
      m_btnRewind(this),
      m_sliderVolume(this),
      m_btnPlay(this),
      m_btnZoom1(this),
      m_btnZoom2(this),
      m_btnZoom3(this),
      m_btnFastBack(this),
      m_btnFastPlay(this),
      m_sliderSpeed(this),
      m_btnSound(this),
      m_btnBackPlay(this) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // the buffer covers the whole bar
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFixedHeight(kBarHeight);
    connect(&m_sliderVolume, &SkinSlider::Scrolled, this, [this](int) {
        if (m_player != nullptr) m_player->SetVolume(m_sliderVolume.GetPos() / kPositionsPerLevel);
    });
    connect(&m_sliderSpeed, &SkinSlider::Scrolled, this, [this](int) {
        if (m_player != nullptr) m_player->SetFastSpeed(m_sliderSpeed.GetPos() / kPositionsPerLevel);
    });
}

ControlBar::~ControlBar() = default;

int ControlBar::Create(int templateId) {
    if (templateId != IDD_CONTROL_BAR) return 0;
    for (const Placement& p : kTemplate) {
        QWidget* control = Button(p.id);
        if (control == nullptr) control = Slider(p.id);
        // The edge strip's control is only a holder for its bitmap, which the bar draws itself.
        if (control != nullptr) control->setGeometry(DialogRect(p.x, p.y, p.cx, p.cy));
    }
    resize(kBarWidth, kBarHeight);
    show();
    update();
    return 1;
}

void ControlBar::Attach(Player& player) {
    m_player = &player;
    connect(&player, &Player::ModeChanged, this, &ControlBar::ShowMode);
    connect(&player, &Player::SoundChanged, this, [this](bool on) {
        m_sound = on;
        m_btnSound.SetCheck(on);
    });
    ShowMode(player.Mode());
}

SkinButton* ControlBar::Button(int controlId) {
    switch (controlId) {
        case IDC_BAR_REWIND: return &m_btnRewind;
        case IDC_BAR_PREVIOUS: return &m_btnPrevious;
        case IDC_BAR_PLAY: return &m_btnPlay;
        case IDC_BAR_PAUSE: return &m_btnPause;
        case IDC_BAR_NEXT: return &m_btnNext;
        case IDC_BAR_EXIT: return &m_btnExit;
        case IDC_BAR_OPEN: return &m_btnOpen;
        case IDC_BAR_MENU: return &m_btnMenu;
        default: return ToggleButton(controlId);
    }
}

SkinToggleButton* ControlBar::ToggleButton(int controlId) {
    switch (controlId) {
        case IDC_BAR_PLAY: return &m_btnPlay;
        case IDC_BAR_ZOOM1: return &m_btnZoom1;
        case IDC_BAR_ZOOM2: return &m_btnZoom2;
        case IDC_BAR_ZOOM3: return &m_btnZoom3;
        case IDC_BAR_FAST_BACK: return &m_btnFastBack;
        case IDC_BAR_FAST_PLAY: return &m_btnFastPlay;
        case IDC_BAR_SOUND: return &m_btnSound;
        case IDC_BAR_BACK_PLAY: return &m_btnBackPlay;
        default: return nullptr;
    }
}

SkinSlider* ControlBar::Slider(int controlId) {
    switch (controlId) {
        case IDC_BAR_VOLUME: return &m_sliderVolume;
        case IDC_BAR_SPEED: return &m_sliderSpeed;
        default: return nullptr;
    }
}

// --- painting -----------------------------------------------------------------

void ControlBar::paintEvent(QPaintEvent*) {
    if (m_buffer.isNull()) {
        // The buffer is as wide as the screen, so that the bar can grow without a new one.
        const int screenWidth = screen() != nullptr ? screen()->geometry().width() : 0;
        m_buffer = QImage(std::max(screenWidth, width()), height(), QImage::Format_RGB32);
        m_buffer.fill(m_background);
        AssignSkins();
    }
    if (!m_backgroundDrawn) {
        DrawBackground();
        m_backgroundDrawn = true;
    }
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_buffer, rect());
}

void ControlBar::DrawBackground() {
    if (m_buffer.isNull()) return;
    QPainter painter(&m_buffer);
    const QRect client = rect();
    m_panelBack.Draw(painter, client);
    m_panelEdge.StretchDraw(painter, kBarEdgeX, client.top(), client.left() + client.width(),
                            client.top() + client.height());
}

void ControlBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    DrawBackground();
}

void ControlBar::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    DrawBackground();
}

void ControlBar::AssignSkins() {
    m_panelBack.LoadBitmap(kPanelBitmap);
    m_panelEdge.LoadBitmap(kEdgeBitmap);
    m_sliderVolume.SetSkin(kVolumeChannel, kThumbBitmap, true);
    for (const ButtonSkin& s : kFirstButtons) Button(s.id)->SetSkin(this, s.normal, s.pressed, s.hover, s.disabled);
    m_sliderSpeed.SetSkin(kSpeedChannel, kThumbBitmap, true);
    for (const ButtonSkin& s : kLastButtons) Button(s.id)->SetSkin(this, s.normal, s.pressed, s.hover, s.disabled);
    m_sliderVolume.SetRange(0, kSliderMax, false);
    m_sliderVolume.SetPos(kSliderMax);
    m_sliderSpeed.SetRange(0, kSliderMax, false);
    m_sliderSpeed.SetPos(0);
}

// --- clicks -------------------------------------------------------------------

long ControlBar::HandleMessage(unsigned id, WParam wParam, LParam) {
    switch (id) {
        case WM_SKIN_BUTTON_CLICKED: return OnButtonClicked(reinterpret_cast<SkinButton*>(wParam));
        case WM_SKIN_TOGGLE_CLICKED: return OnToggleClicked(reinterpret_cast<SkinButton*>(wParam));
        default: return 0;
    }
}

long ControlBar::OnButtonClicked(SkinButton* button) {
    if (button == &m_btnRewind) {
        if (!RecordingOpen()) {
            m_btnPlay.SetCheck(false);
            m_btnBackPlay.SetCheck(false);
            return 0;
        }
        m_player->Reload();
        return 1;
    }
    if (button == &m_btnPrevious || button == &m_btnNext) {
        if (!RecordingOpen() || m_player->IsPlaying()) return 0;
        if (button == &m_btnPrevious) m_player->StepBack();
        else m_player->StepForward();
        return 1;
    }
    if (button == &m_btnPause) {
        if (m_player != nullptr) m_player->Stop();
        ShowMode(PlayMode::Idle);
        return RecordingOpen() ? 1 : 0;
    }
    if (button == &m_btnExit) {
        emit ExitRequested();
        return 1;
    }
    if (button == &m_btnOpen) {
        emit OpenRequested();
        return 1;
    }
    if (button == &m_btnMenu) {
        emit MenuToggleRequested();
        return 1;
    }
    return 0;
}

long ControlBar::StartOrStop(PlayMode mode) {
    if (!RecordingOpen()) {
        ShowMode(m_player != nullptr ? m_player->Mode() : PlayMode::Idle);  // the press flipped the check
        return 0;
    }
    if (m_player->IsPlaying()) m_player->Stop();
    else m_player->Start(mode);
    ShowMode(m_player->Mode());  // also when the engine refused the start
    return 1;
}

long ControlBar::OnToggleClicked(SkinButton* button) {
    // The button has flipped its own check when the press began; the
    // checks then follow the mode the engine runs.
    if (button == &m_btnPlay) return StartOrStop(PlayMode::Play);
    if (button == &m_btnBackPlay) return StartOrStop(PlayMode::BackPlay);
    if (button == &m_btnFastPlay) return StartOrStop(PlayMode::FastPlay);
    if (button == &m_btnFastBack) return StartOrStop(PlayMode::FastBackPlay);
    if (button == &m_btnSound) {
        m_sound = !m_sound;
        m_btnSound.SetCheck(m_sound);
        if (m_player != nullptr) m_player->SetSound(m_sound);
        return 1;
    }
    if (button == &m_btnZoom1 || button == &m_btnZoom2 || button == &m_btnZoom3) {
        m_btnZoom1.SetCheck(button == &m_btnZoom1);
        m_btnZoom2.SetCheck(button == &m_btnZoom2);
        m_btnZoom3.SetCheck(button == &m_btnZoom3);
        emit ZoomRequested(button == &m_btnZoom1 ? 1 : button == &m_btnZoom2 ? 2 : 3);
        return 1;
    }
    return 0;
}

SkinToggleButton* ControlBar::ModeButton(PlayMode mode) {
    switch (mode) {
        case PlayMode::Play:
        case PlayMode::PlaySound: return &m_btnPlay;
        case PlayMode::BackPlay: return &m_btnBackPlay;
        case PlayMode::FastPlay: return &m_btnFastPlay;
        case PlayMode::FastBackPlay: return &m_btnFastBack;
        case PlayMode::Idle: return nullptr;
    }
    return nullptr;
}

void ControlBar::ShowMode(PlayMode mode) {
    SkinToggleButton* playing = ModeButton(mode);
    // While a mode plays, its own button (which stops it) is the only mode
    // button enabled, and the steps are off.
    for (SkinToggleButton* button : {&m_btnPlay, &m_btnBackPlay, &m_btnFastPlay, &m_btnFastBack}) {
        button->EnableButton(playing == nullptr || button == playing);
        button->SetCheck(button == playing);
    }
    m_btnPrevious.EnableButton(playing == nullptr);
    m_btnNext.EnableButton(playing == nullptr);
}

}  // namespace korvane
