#include "controls/ControlBar.h"

#include <QAction>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QToolTip>

#include <algorithm>
#include <memory>

#include "controls/SkinBitmaps.h"

namespace korvane {
namespace {

// Each button: where it sits in the block of controls, whether it toggles,
// and its skin images (normal, pressed, hover, disabled), turned left to
// right for a button that points the other way. Four groups with room around
// them: the transport well (first, previous, back play, play, pause, next,
// last) with sound and volume beside it on the top row; fast back, the speed
// slider and fast play, then exit, open, menu and the zoom well on the
// bottom row. No control reaches the bar's edges.
struct ButtonPlace {
    BarButton button;
    QPoint at;
    bool toggles;
    int normal, pressed, hover, disabled;
    bool mirrored;
};
constexpr ButtonPlace kButtons[] = {
    {BarButton::First, {11, 11}, false, 191, 192, 190, 191, false},
    {BarButton::Previous, {30, 5}, false, 173, 180, 175, 172, false},
    {BarButton::BackPlay, {60, 5}, true, 206, 207, 208, 205, false},
    {BarButton::Play, {90, 5}, true, 186, 187, 188, 185, false},
    {BarButton::Pause, {120, 5}, false, 182, 183, 184, 181, false},
    {BarButton::Next, {150, 5}, false, 169, 170, 171, 168, false},
    {BarButton::Last, {183, 11}, false, 191, 192, 190, 191, true},
    {BarButton::Sound, {203, 11}, true, 204, 203, 212, 204, false},
    {BarButton::FastBack, {11, 40}, true, 199, 200, 201, 194, false},
    {BarButton::FastPlay, {86, 40}, true, 195, 196, 197, 198, false},
    {BarButton::Exit, {203, 37}, false, 141, 143, 140, 141, false},
    {BarButton::Open, {229, 39}, false, 166, 167, 165, 166, false},
    {BarButton::Menu, {249, 39}, false, 159, 160, 158, 159, false},
    {BarButton::Zoom1, {276, 39}, true, 150, 152, 209, 150, false},
    {BarButton::Zoom2, {295, 39}, true, 153, 155, 210, 153, false},
    {BarButton::Zoom3, {314, 39}, true, 156, 149, 211, 156, false},
};
constexpr QSize kButtonSize{20, 24};  // until a button has its picture
const QRect kVolumePlace{222, 8, 59, 20};
const QRect kSpeedPlace{30, 38, 53, 15};

constexpr int kPanelBitmap = 136;
constexpr int kEdgeBitmap = 189;
constexpr int kSliderMax = 100;

std::size_t Slot(BarButton button) { return static_cast<std::size_t>(button); }

}  // namespace

ControlBar::ControlBar(QWidget* parent)
    : QWidget(parent), m_background(palette().color(QPalette::Button)), m_volumeSlider(this), m_speedSlider(this) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // the buffer covers the whole bar
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFixedHeight(kBarHeight);
    for (const ButtonPlace& place : kButtons) {
        std::unique_ptr<SkinButton> made = place.toggles ? std::make_unique<SkinToggleButton>(this)
                                                         : std::make_unique<SkinButton>(this);
        SkinButton* button = made.release();  // a child of the bar
        m_buttons[Slot(place.button)] = button;
        connect(button, &SkinButton::Clicked, this, [this, which = place.button] {
            QAction* action = m_actions[Slot(which)];
            if (action == nullptr) return;
            if (action->isEnabled()) action->trigger();
            Follow(which, *action);  // the press flipped a toggle's own check
        });
    }
    connect(&m_volumeSlider, &SkinSlider::Scrolled, this, [this](SkinSlider::Scroll) {
        if (m_session != nullptr) m_session->SetVolume(m_volumeSlider.GetPos() / kSliderPositionsPerLevel);
        ShowLevel(m_volumeSlider, "Volume");
    });
    connect(&m_speedSlider, &SkinSlider::Scrolled, this, [this](SkinSlider::Scroll) {
        if (m_session != nullptr) m_session->SetFastSpeed(m_speedSlider.GetPos() / kSliderPositionsPerLevel);
        ShowLevel(m_speedSlider, "Fast speed");
    });
    resize(kBarWidth, kBarHeight);
    PlaceControls();
}

ControlBar::~ControlBar() = default;

void ControlBar::Attach(Session& session) { m_session = &session; }

void ControlBar::Bind(BarButton which, QAction* action) {
    m_actions[Slot(which)] = action;
    connect(action, &QAction::changed, this, [this, which, action] { Follow(which, *action); });
    Follow(which, *action);
}

void ControlBar::Follow(BarButton which, const QAction& action) {
    SkinButton* button = Button(which);
    button->setToolTip(action.toolTip());
    if (button->IsButtonEnabled() != action.isEnabled()) button->EnableButton(action.isEnabled());
    if (SkinToggleButton* toggle = ToggleButton(which)) toggle->SetCheck(action.isChecked());
}

void ControlBar::ShowSpeed(int level) {
    m_speedSlider.SetPos(level * kSliderPositionsPerLevel);
    ShowLevel(m_speedSlider, "Fast speed");
}

void ControlBar::ShowLevel(SkinSlider& slider, const char* name) {
    const int level = slider.GetPos() / kSliderPositionsPerLevel;
    // The fast speed says the multiple of the recorded pace it plays at.
    const QString tip = &slider == &m_speedSlider
                            ? QStringLiteral("%1: %2x").arg(QLatin1String(name)).arg(FastMultiple(level))
                            : QStringLiteral("%1: %2 of 5").arg(QLatin1String(name)).arg(level);
    slider.setToolTip(tip);
    if (slider.isSliderDown() || slider.underMouse())
        QToolTip::showText(slider.mapToGlobal(QPoint(slider.ThumbX(slider.GetPos()), slider.height())), tip, &slider);
}

void ControlBar::PlaceControls() {
    const QPoint origin = BlockOrigin();
    for (const ButtonPlace& place : kButtons) {
        SkinButton* button = Button(place.button);
        // A button keeps the size of its picture once it has one.
        button->setGeometry(QRect(place.at + origin, button->size().isEmpty() ? kButtonSize : button->size()));
    }
    m_volumeSlider.setGeometry(kVolumePlace.translated(origin));
    m_speedSlider.setGeometry(kSpeedPlace.translated(origin));
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
    m_speedSlider.SetSkin(kSpeedChannel, kThumbBitmap, true);
    for (const ButtonPlace& place : kButtons) {
        SkinButton* button = Button(place.button);
        button->SetSkin(place.normal, place.pressed, place.hover, place.disabled);
        if (place.mirrored) button->MirrorSkin();
        if (const QAction* action = m_actions[Slot(place.button)]) Follow(place.button, *action);
    }
    m_volumeSlider.SetRange(0, kSliderMax, false);
    m_volumeSlider.SetPos(kSliderMax);
    m_speedSlider.SetRange(0, kSliderMax, false);
    m_speedSlider.SetPos(m_session != nullptr ? m_session->FastSpeed() * kSliderPositionsPerLevel : 0);
    ShowLevel(m_volumeSlider, "Volume");
    ShowLevel(m_speedSlider, "Fast speed");
    PlaceControls();  // the buttons now have their pictures' sizes
}

}  // namespace korvane
