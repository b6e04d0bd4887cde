#include "controls/ControlBar.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QToolTip>

#include <algorithm>


namespace korvane {
namespace {

// Each control and its rectangle in pixels: the bar's dialog template in
// units of 8-point MS Sans Serif (base units 6 x 13), converted once.
struct Placement {
    int id;
    QRect rect;
};
// Four groups with room around them: the transport well (rewind, previous,
// back play, play, pause, next) with sound and volume beside it on the top
// row; fast back, the speed slider and fast play, then exit, open, menu and
// the zoom well on the bottom row. No control reaches the bar's edges.
const Placement kTemplate[] = {
    {IDC_BAR_REWIND, {11, 11, 20, 24}},      {IDC_BAR_PREVIOUS, {30, 5, 20, 24}},
    {IDC_BAR_BACK_PLAY, {60, 5, 20, 24}},    {IDC_BAR_PLAY, {90, 5, 20, 24}},
    {IDC_BAR_PAUSE, {120, 5, 20, 24}},       {IDC_BAR_NEXT, {150, 5, 20, 24}},
    {IDC_BAR_SOUND, {203, 11, 20, 24}},      {IDC_BAR_VOLUME, {222, 8, 59, 20}},
    {IDC_BAR_FAST_BACK, {11, 40, 20, 24}},   {IDC_BAR_SPEED, {30, 38, 53, 15}},
    {IDC_BAR_FAST_PLAY, {86, 40, 20, 24}},   {IDC_BAR_EXIT, {203, 37, 20, 24}},
    {IDC_BAR_OPEN, {229, 39, 20, 24}},       {IDC_BAR_MENU, {249, 39, 20, 24}},
    {IDC_BAR_ZOOM1, {276, 39, 20, 24}},      {IDC_BAR_ZOOM2, {295, 39, 20, 24}},
    {IDC_BAR_ZOOM3, {314, 39, 20, 24}},
};

// Each button's name and key for its tooltip; no key for a button without one.
struct ButtonTip {
    int id;
    const char* tip;
};
constexpr ButtonTip kTips[] = {
    {IDC_BAR_REWIND, "First picture (Home)"},   {IDC_BAR_PREVIOUS, "Previous picture (Left)"},
    {IDC_BAR_BACK_PLAY, "Play backward"},       {IDC_BAR_PLAY, "Play (Space)"},
    {IDC_BAR_PAUSE, "Pause (Space)"},           {IDC_BAR_NEXT, "Next picture (Right)"},
    {IDC_BAR_SOUND, "Sound (S)"},               {IDC_BAR_FAST_BACK, "Fast backward"},
    {IDC_BAR_FAST_PLAY, "Fast forward"},        {IDC_BAR_EXIT, "Exit"},
    {IDC_BAR_OPEN, "Open (Ctrl+O)"},            {IDC_BAR_MENU, "Menu (M)"},
    {IDC_BAR_ZOOM1, "1x (1)"},                  {IDC_BAR_ZOOM2, "2x (2)"},
    {IDC_BAR_ZOOM3, "3x (3)"},
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
    {IDC_BAR_ZOOM1, 150, 152, 209, 150},   {IDC_BAR_ZOOM2, 153, 155, 210, 153},
    {IDC_BAR_ZOOM3, 156, 149, 211, 156},   {IDC_BAR_FAST_BACK, 199, 200, 201, 194},
    {IDC_BAR_FAST_PLAY, 195, 196, 197, 198},
};
constexpr ButtonSkin kLastButtons[] = {
    {IDC_BAR_SOUND, 204, 203, 212, 204},
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
      m_menuButton(this),
      m_openButton(this),
      m_exitButton(this),
      m_nextButton(this),
      m_pauseButton(this),
      m_previousButton(this),
      m_rewindButton(this),
      m_volumeSlider(this),
      m_playButton(this),
      m_zoom1Button(this),
      m_zoom2Button(this),
      m_zoom3Button(this),
      m_fastBackButton(this),
      m_fastPlayButton(this),
      m_speedSlider(this),
      m_soundButton(this),
      m_backPlayButton(this) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // the buffer covers the whole bar
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFixedHeight(kBarHeight);
    for (SkinButton* button : findChildren<SkinButton*>(Qt::FindDirectChildrenOnly))
        connect(button, &SkinButton::Clicked, this, [this, button] { OnClicked(button); });
    connect(&m_volumeSlider, &SkinSlider::Scrolled, this, [this](int) {
        if (m_player != nullptr) m_player->SetVolume(m_volumeSlider.GetPos() / kPositionsPerLevel);
        ShowLevel(m_volumeSlider, "Volume");
    });
    connect(&m_speedSlider, &SkinSlider::Scrolled, this, [this](int) {
        if (m_player != nullptr) m_player->SetFastSpeed(m_speedSlider.GetPos() / kPositionsPerLevel);
        ShowLevel(m_speedSlider, "Fast speed");
    });
    for (const ButtonTip& t : kTips) Button(t.id)->setToolTip(QString::fromLatin1(t.tip));
}

void ControlBar::ShowLevel(SkinSlider& slider, const char* name) {
    const QString tip = QStringLiteral("%1: %2 of 5").arg(QLatin1String(name)).arg(slider.GetPos() / kPositionsPerLevel);
    slider.setToolTip(tip);
    if (slider.isSliderDown() || slider.underMouse())
        QToolTip::showText(slider.mapToGlobal(QPoint(slider.ThumbX(slider.GetPos()), slider.height())), tip, &slider);
}

void ControlBar::ShowZoom(int factor) {
    m_zoom1Button.SetCheck(factor == 1);
    m_zoom2Button.SetCheck(factor == 2);
    m_zoom3Button.SetCheck(factor == 3);
}

ControlBar::~ControlBar() = default;

void ControlBar::PlaceControls() {
    const QPoint origin = BlockOrigin();
    for (const Placement& p : kTemplate) {
        QWidget* control = Button(p.id);
        if (control == nullptr) control = Slider(p.id);
        // A button keeps the size of its picture once it has one.
        const QSize size = control->size().isEmpty() || Slider(p.id) != nullptr ? p.rect.size() : control->size();
        control->setGeometry(QRect(p.rect.topLeft() + origin, size));
    }
}

int ControlBar::Create(int templateId) {
    if (templateId != IDD_CONTROL_BAR) return 0;
    resize(kBarWidth, kBarHeight);
    PlaceControls();
    show();
    update();
    return 1;
}

void ControlBar::Attach(Player& player) {
    m_player = &player;
    connect(&player, &Player::ModeChanged, this, &ControlBar::ShowMode);
    connect(&player, &Player::SoundChanged, this, [this](bool on) {
        m_sound = on;
        m_soundButton.SetCheck(on);
    });
    ShowMode(player.Mode());
}

SkinButton* ControlBar::Button(int controlId) {
    switch (controlId) {
        case IDC_BAR_REWIND: return &m_rewindButton;
        case IDC_BAR_PREVIOUS: return &m_previousButton;
        case IDC_BAR_PLAY: return &m_playButton;
        case IDC_BAR_PAUSE: return &m_pauseButton;
        case IDC_BAR_NEXT: return &m_nextButton;
        case IDC_BAR_EXIT: return &m_exitButton;
        case IDC_BAR_OPEN: return &m_openButton;
        case IDC_BAR_MENU: return &m_menuButton;
        default: return ToggleButton(controlId);
    }
}

SkinToggleButton* ControlBar::ToggleButton(int controlId) {
    switch (controlId) {
        case IDC_BAR_PLAY: return &m_playButton;
        case IDC_BAR_ZOOM1: return &m_zoom1Button;
        case IDC_BAR_ZOOM2: return &m_zoom2Button;
        case IDC_BAR_ZOOM3: return &m_zoom3Button;
        case IDC_BAR_FAST_BACK: return &m_fastBackButton;
        case IDC_BAR_FAST_PLAY: return &m_fastPlayButton;
        case IDC_BAR_SOUND: return &m_soundButton;
        case IDC_BAR_BACK_PLAY: return &m_backPlayButton;
        default: return nullptr;
    }
}

SkinSlider* ControlBar::Slider(int controlId) {
    switch (controlId) {
        case IDC_BAR_VOLUME: return &m_volumeSlider;
        case IDC_BAR_SPEED: return &m_speedSlider;
        default: return nullptr;
    }
}

// --- painting -----------------------------------------------------------------

void ControlBar::paintEvent(QPaintEvent*) {
    const bool first = m_buffer.isNull();
    if (first || m_buffer.width() < width() || m_buffer.height() < height()) {
        // As wide as the screen, so that the bar can grow without a new buffer
        // every time; wider when the window is wider than its screen.
        const int screenWidth = screen() != nullptr ? screen()->geometry().width() : 0;
        m_buffer = QImage(std::max(screenWidth, width()), height(), QImage::Format_RGB32);
        m_buffer.fill(m_background);
        m_backgroundDrawn = false;
    }
    if (first) AssignSkins();
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
    m_edgePanel.StretchDraw(painter, 0, 0, m_buffer.width(), m_buffer.height());
    m_backPanel.Draw(painter, QRect(BlockOrigin(), QSize(kBarWidth, kBarHeight)));
}

void ControlBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceControls();
    m_backgroundDrawn = false;
}

void ControlBar::AssignSkins() {
    m_backPanel.LoadBitmap(kPanelBitmap);
    m_edgePanel.LoadBitmap(kEdgeBitmap);
    m_volumeSlider.SetSkin(kVolumeChannel, kThumbBitmap, true);
    for (const ButtonSkin& s : kFirstButtons) Button(s.id)->SetSkin(s.normal, s.pressed, s.hover, s.disabled);
    m_speedSlider.SetSkin(kSpeedChannel, kThumbBitmap, true);
    for (const ButtonSkin& s : kLastButtons) Button(s.id)->SetSkin(s.normal, s.pressed, s.hover, s.disabled);
    m_volumeSlider.SetRange(0, kSliderMax, false);
    m_volumeSlider.SetPos(kSliderMax);
    m_speedSlider.SetRange(0, kSliderMax, false);
    m_speedSlider.SetPos(0);
    ShowLevel(m_volumeSlider, "Volume");
    ShowLevel(m_speedSlider, "Fast speed");
    PlaceControls();  // the buttons now have their pictures' sizes
}

// --- clicks -------------------------------------------------------------------

long ControlBar::OnClicked(SkinButton* button) {
    return qobject_cast<SkinToggleButton*>(button) != nullptr ? OnToggleClicked(button) : OnButtonClicked(button);
}

long ControlBar::OnButtonClicked(SkinButton* button) {
    if (button == &m_rewindButton) {
        if (!RecordingOpen()) {
            m_playButton.SetCheck(false);
            m_backPlayButton.SetCheck(false);
            return 0;
        }
        m_player->Reload();
        return 1;
    }
    if (button == &m_previousButton || button == &m_nextButton) {
        if (!RecordingOpen() || m_player->IsPlaying()) return 0;
        if (button == &m_previousButton) m_player->StepBack();
        else m_player->StepForward();
        return 1;
    }
    if (button == &m_pauseButton) {
        if (m_player != nullptr) m_player->Stop();
        ShowMode(PlayMode::Idle);
        return RecordingOpen() ? 1 : 0;
    }
    if (button == &m_exitButton) {
        emit ExitRequested();
        return 1;
    }
    if (button == &m_openButton) {
        emit OpenRequested();
        return 1;
    }
    if (button == &m_menuButton) {
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
    if (button == &m_playButton) return StartOrStop(PlayMode::Play);
    if (button == &m_backPlayButton) return StartOrStop(PlayMode::BackPlay);
    if (button == &m_fastPlayButton) return StartOrStop(PlayMode::FastPlay);
    if (button == &m_fastBackButton) return StartOrStop(PlayMode::FastBackPlay);
    if (button == &m_soundButton) {
        m_sound = !m_sound;
        m_soundButton.SetCheck(m_sound);
        if (m_player != nullptr) m_player->SetSound(m_sound);
        return 1;
    }
    if (button == &m_zoom1Button || button == &m_zoom2Button || button == &m_zoom3Button) {
        const int factor = button == &m_zoom1Button ? 1 : button == &m_zoom2Button ? 2 : 3;
        ShowZoom(factor);
        emit ZoomRequested(factor);
        return 1;
    }
    return 0;
}

SkinToggleButton* ControlBar::ModeButton(PlayMode mode) {
    switch (mode) {
        case PlayMode::Play:
        case PlayMode::PlaySound: return &m_playButton;
        case PlayMode::BackPlay: return &m_backPlayButton;
        case PlayMode::FastPlay: return &m_fastPlayButton;
        case PlayMode::FastBackPlay: return &m_fastBackButton;
        case PlayMode::Idle: return nullptr;
    }
    return nullptr;
}

void ControlBar::ShowMode(PlayMode mode) {
    SkinToggleButton* playing = ModeButton(mode);
    // While a mode plays, its own button (which stops it) is the only mode
    // button enabled, and the steps are off.
    for (SkinToggleButton* button : {&m_playButton, &m_backPlayButton, &m_fastPlayButton, &m_fastBackButton}) {
        button->EnableButton(playing == nullptr || button == playing);
        button->SetCheck(button == playing);
    }
    m_previousButton.EnableButton(playing == nullptr);
    m_nextButton.EnableButton(playing == nullptr);
}

}  // namespace korvane
