#include "controls/SkinSlider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

namespace korvane {
namespace {

constexpr int kFirstRepeatMs = 500;
constexpr int kRepeatMs = 100;

}  // namespace

SkinSlider::SkinSlider(QWidget* parent) : QAbstractSlider(parent) {
    setOrientation(Qt::Horizontal);
    setFocusPolicy(Qt::NoFocus);
    // A trackbar's defaults: 0 to 100, a page a fifth of the range.
    setRange(0, 100);
    setSingleStep(1);
    setPageStep(20);
}

SkinSlider::~SkinSlider() = default;

void SkinSlider::SetSkin(int channelId, int thumbId, bool skinned) {
    m_channel = std::make_unique<MaskedBitmap>();
    m_channel->LoadBitmap(channelId);
    m_thumb = std::make_unique<MaskedBitmap>();
    m_thumb->LoadBitmap(thumbId);
    m_skinned = skinned;
}

void SkinSlider::SetRange(int nMin, int nMax, bool redraw) {
    setRange(nMin, nMax);
    setPageStep(std::max(1, (nMax - nMin) / 5));
    if (redraw) update();
    SetPos(nMin);
}

void SkinSlider::SetPos(int pos) {
    setValue(pos);
    update();
}

int SkinSlider::ThumbX(int pos) const {
    const int divisor = maximum() - minimum() + 7;
    if (divisor == 0) return 5;
    return (width() - 15) * pos / divisor + 5;
}

int SkinSlider::PositionForThumbX(int x) const {
    const int travel = width() - 15;
    if (travel <= 0) return value();
    const int divisor = maximum() - minimum() + 7;
    const int estimate = std::clamp((x - 5) * divisor / travel, minimum(), maximum());
    int best = estimate;
    for (int pos = std::max(minimum(), estimate - 2); pos <= std::min(maximum(), estimate + 2); ++pos)
        if (std::abs(ThumbX(pos) - x) < std::abs(ThumbX(best) - x)) best = pos;
    return best;
}

void SkinSlider::MoveTo(int pos, Scroll how) {
    setValue(std::clamp(pos, minimum(), maximum()));
    update();
    emit Scrolled(how);
}

void SkinSlider::PageTowards(int x) {
    const int thumb = ThumbX(value());
    if (x < thumb && value() > minimum()) {
        MoveTo(value() - pageStep(), Scroll::PageUp);
    } else if (x >= thumb + kThumbWidth && value() < maximum()) {
        MoveTo(value() + pageStep(), Scroll::PageDown);
    } else {
        m_pageRepeat.stop();  // the thumb has reached the pointer
    }
}

void SkinSlider::paintEvent(QPaintEvent*) {
    if (!m_channel || !m_thumb) return;
    QPainter painter(this);
    m_channel->Draw(painter, 0, 0);
    m_thumb->DrawTransparent(painter, ThumbX(value()), 0);
}

void SkinSlider::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (!m_skinned || event->button() != Qt::LeftButton) return;
    m_dragging = true;
    update();
    const int x = event->position().toPoint().x();
    const int thumb = ThumbX(value());
    m_thumbHeld = x >= thumb && x < thumb + kThumbWidth;
    if (m_thumbHeld) {
        m_grabOffset = x - thumb;
    } else {
        m_pageTarget = x;
        m_pageRepeat.start(kFirstRepeatMs, this);
        PageTowards(x);
    }
}

void SkinSlider::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (!m_dragging) return;
    update();
    const int x = event->position().toPoint().x();
    if (m_thumbHeld)
        MoveTo(PositionForThumbX(x - m_grabOffset), Scroll::ThumbDragged);
    else
        m_pageTarget = x;
}

void SkinSlider::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (!m_skinned || event->button() != Qt::LeftButton || !m_dragging) return;
    m_dragging = false;
    update();
    m_pageRepeat.stop();
    if (m_thumbHeld) emit Scrolled(Scroll::ThumbReleased);
    m_thumbHeld = false;
    emit Scrolled(Scroll::Ended);
}

void SkinSlider::wheelEvent(QWheelEvent* event) {
    event->accept();
    if (!m_skinned) return;
    update();
    m_wheelRest += event->angleDelta().y();
    const int notches = m_wheelRest / 120;
    if (notches == 0) return;
    m_wheelRest -= notches * 120;
    MoveTo(value() + notches * kWheelLines * singleStep(), notches > 0 ? Scroll::LineDown : Scroll::LineUp);
    emit Scrolled(Scroll::Ended);
}

void SkinSlider::keyPressEvent(QKeyEvent* event) { event->accept(); }

void SkinSlider::keyReleaseEvent(QKeyEvent* event) { event->accept(); }

void SkinSlider::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_pageRepeat.timerId()) {
        QAbstractSlider::timerEvent(event);
        return;
    }
    if (!m_dragging || m_thumbHeld) {
        m_pageRepeat.stop();
        return;
    }
    m_pageRepeat.start(kRepeatMs, this);
    PageTowards(m_pageTarget);
}

}  // namespace korvane
