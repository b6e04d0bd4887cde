#include "controls/CSkinSlider.h"

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

CSkinSlider::CSkinSlider(QWidget* parent) : QAbstractSlider(parent) {
    setOrientation(Qt::Horizontal);
    setFocusPolicy(Qt::NoFocus);
    // A trackbar's defaults: 0 to 100, a page a fifth of the range.
    setRange(0, 100);
    setSingleStep(1);
    setPageStep(20);
}

CSkinSlider::~CSkinSlider() = default;

void CSkinSlider::SetSkin(int channelId, int thumbId, bool skinned) {
    m_pChannel = std::make_unique<CMaskedBitmap>();
    m_pChannel->LoadBitmap(channelId);
    m_pThumb = std::make_unique<CMaskedBitmap>();
    m_pThumb->LoadBitmap(thumbId);
    m_bSkinned = skinned;
}

void CSkinSlider::SetRange(int nMin, int nMax, bool redraw) {
    setRange(nMin, nMax);
    setPageStep(std::max(1, (nMax - nMin) / 5));
    if (redraw) update();
    SetPos(nMin);
}

void CSkinSlider::SetPos(int pos) {
    setValue(pos);
    update();
}

int CSkinSlider::ThumbX(int pos) const {
    const int divisor = maximum() - minimum() + 7;
    if (divisor == 0) return 5;
    return (width() - 15) * pos / divisor + 5;
}

int CSkinSlider::PositionForThumbX(int x) const {
    const int travel = width() - 15;
    if (travel <= 0) return value();
    const int divisor = maximum() - minimum() + 7;
    const int estimate = std::clamp((x - 5) * divisor / travel, minimum(), maximum());
    int best = estimate;
    for (int pos = std::max(minimum(), estimate - 2); pos <= std::min(maximum(), estimate + 2); ++pos)
        if (std::abs(ThumbX(pos) - x) < std::abs(ThumbX(best) - x)) best = pos;
    return best;
}

void CSkinSlider::MoveTo(int pos, int code) {
    setValue(std::clamp(pos, minimum(), maximum()));
    update();
    emit Scrolled(code);
}

void CSkinSlider::PageTowards(int x) {
    const int thumb = ThumbX(value());
    if (x < thumb && value() > minimum()) {
        MoveTo(value() - pageStep(), TB_PAGEUP);
    } else if (x >= thumb + kThumbWidth && value() < maximum()) {
        MoveTo(value() + pageStep(), TB_PAGEDOWN);
    } else {
        m_pageRepeat.stop();  // the thumb has reached the pointer
    }
}

void CSkinSlider::paintEvent(QPaintEvent*) {
    if (!m_pChannel || !m_pThumb) return;
    QPainter painter(this);
    m_pChannel->Draw(painter, 0, 0);
    m_pThumb->DrawTransparent(painter, ThumbX(value()), 0);
}

void CSkinSlider::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (!m_bSkinned || event->button() != Qt::LeftButton) return;
    m_bDragging = true;
    update();
    const int x = event->position().toPoint().x();
    const int thumb = ThumbX(value());
    m_bThumbHeld = x >= thumb && x < thumb + kThumbWidth;
    if (m_bThumbHeld) {
        m_nGrabOffset = x - thumb;
    } else {
        m_nPageTarget = x;
        m_pageRepeat.start(kFirstRepeatMs, this);
        PageTowards(x);
    }
}

void CSkinSlider::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (!m_bDragging) return;
    update();
    const int x = event->position().toPoint().x();
    if (m_bThumbHeld)
        MoveTo(PositionForThumbX(x - m_nGrabOffset), TB_THUMBTRACK);
    else
        m_nPageTarget = x;
}

void CSkinSlider::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (!m_bSkinned || event->button() != Qt::LeftButton || !m_bDragging) return;
    m_bDragging = false;
    update();
    m_pageRepeat.stop();
    if (m_bThumbHeld) emit Scrolled(TB_THUMBPOSITION);
    m_bThumbHeld = false;
    emit Scrolled(TB_ENDTRACK);
}

void CSkinSlider::wheelEvent(QWheelEvent* event) {
    event->accept();
    if (!m_bSkinned) return;
    update();
    m_nWheelRest += event->angleDelta().y();
    const int notches = m_nWheelRest / 120;
    if (notches == 0) return;
    m_nWheelRest -= notches * 120;
    MoveTo(value() + notches * kWheelLines * singleStep(), notches > 0 ? TB_LINEDOWN : TB_LINEUP);
    emit Scrolled(TB_ENDTRACK);
}

void CSkinSlider::keyPressEvent(QKeyEvent* event) { event->accept(); }

void CSkinSlider::keyReleaseEvent(QKeyEvent* event) { event->accept(); }

void CSkinSlider::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_pageRepeat.timerId()) {
        QAbstractSlider::timerEvent(event);
        return;
    }
    if (!m_bDragging || m_bThumbHeld) {
        m_pageRepeat.stop();
        return;
    }
    m_pageRepeat.start(kRepeatMs, this);
    PageTowards(m_nPageTarget);
}

}  // namespace korvane
