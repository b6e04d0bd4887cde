#include "controls/Timeline.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "controls/ClockSegments.h"
#include "controls/SkinColours.h"
#include "recording/TimeStamp.h"

namespace korvane {
namespace {

constexpr int kMargin = 4;  // room for the marker at both ends

QString TimeText(std::int64_t time) {
    return QString::fromStdString(FormatCaptureTime(FromCaptureMilliseconds(time)));
}

}  // namespace

Timeline::Timeline(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFixedHeight(kTimelineHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Timeline::Attach(Player& player) {
    m_player = &player;
    connect(&player, &Player::Opened, this, [this] {
        m_progress = m_player->IndexComplete() ? -1 : 0;
        Refresh();
    });
    connect(&player, &Player::IndexProgress, this, [this](int percent) {
        m_progress = percent;
        update();
    });
    connect(&player, &Player::IndexReady, this, [this] {
        m_progress = -1;
        Refresh();
    });
    connect(&player, &Player::CameraChanged, this, &Timeline::Refresh);
    // An open that left nothing to show: no span of the recording before stays.
    connect(&player, &Player::PictureCleared, this, [this] {
        m_hasSpan = false;
        m_segments.clear();
        m_gaps.clear();
        m_marker.reset();
        m_hover.reset();
        m_progress = -1;
        update();
    });
    connect(&player, &Player::PictureShown, this, [this] {
        m_marker = m_player->CurrentTime();
        update();
    });
    Refresh();
}

void Timeline::Refresh() {
    const CameraTrack* track = m_player && m_player->IndexComplete() ? m_player->Track() : nullptr;
    m_segments = track ? ClockSegments(*track) : std::vector<ClockSegment>{};
    m_hasSpan = !m_segments.empty();
    m_gaps = track ? track->Gaps() : std::vector<TimeGap>{};
    m_marker = m_player ? m_player->CurrentTime() : std::nullopt;
    update();
}

QRect Timeline::Track() const { return rect().adjusted(kMargin, 3, -kMargin, -3); }

// The segments lie side by side in chain order, each as long as the time it
// covers (at least a millisecond), on one scale.
std::int64_t Timeline::ScaleLength() const {
    std::int64_t length = 0;
    for (const ClockSegment& s : m_segments) length += std::max<std::int64_t>(s.last - s.first, 1);
    return length;
}

std::optional<std::int64_t> Timeline::TimeAt(int x) const {
    if (!m_hasSpan) return std::nullopt;
    const QRect track = Track();
    const int along = std::clamp(x - track.left(), 0, std::max(track.width() - 1, 0));
    if (track.width() <= 1) return m_segments.front().first;
    std::int64_t at = ScaleLength() * along / (track.width() - 1);
    for (const ClockSegment& s : m_segments) {
        const std::int64_t length = std::max<std::int64_t>(s.last - s.first, 1);
        if (at <= length) return std::min(s.first + at, s.last);
        at -= length;
    }
    return m_segments.back().last;
}

std::optional<int> Timeline::XAt(std::int64_t time) const {
    if (!m_hasSpan) return std::nullopt;
    const QRect track = Track();
    // The first segment that covers the time; before or after every segment, the nearest end.
    std::int64_t before = 0;
    std::optional<std::int64_t> at;
    for (const ClockSegment& s : m_segments) {
        if (time >= s.first && time <= s.last) {
            at = before + (time - s.first);
            break;
        }
        before += std::max<std::int64_t>(s.last - s.first, 1);
    }
    if (!at) at = time < m_segments.front().first ? 0 : ScaleLength();
    return track.left() + static_cast<int>(*at * (track.width() - 1) / ScaleLength());
}

std::vector<int> Timeline::Jumps() const {
    std::vector<int> jumps;
    for (std::size_t i = 1; i < m_segments.size(); ++i) jumps.push_back(*XAt(m_segments[i].first));
    return jumps;
}

void Timeline::paintEvent(QPaintEvent*) {
    const SkinColours& skin = Skin();
    QPainter painter(this);
    painter.fillRect(rect(), skin.base);
    const QRect track = Track();
    painter.fillRect(track, skin.groove);
    painter.setPen(skin.text);
    if (m_progress >= 0) {
        // The index is on its way: how far it has got.
        painter.fillRect(QRect(track.left(), track.top(), track.width() * m_progress / 100, track.height()),
                         skin.filled);
        painter.drawText(track, Qt::AlignCenter, tr("Indexing %1%").arg(m_progress));
        return;
    }
    if (!m_hasSpan) return;
    // The recorded stretches between the gaps, segment by segment.
    for (const ClockSegment& segment : m_segments) {
        std::int64_t from = segment.first;
        const auto fill = [&](std::int64_t to) {
            const int x0 = *XAt(from), x1 = *XAt(to);
            painter.fillRect(QRect(x0, track.top(), std::max(x1 - x0 + 1, 1), track.height()), skin.filled);
        };
        for (const TimeGap& gap : m_gaps) {
            if (gap.from < segment.first || gap.to > segment.last) continue;
            fill(gap.from);
            from = gap.to;
        }
        fill(segment.last);
    }
    // Where the clock was set back: a line across the strip, with a notch at the top.
    for (int x : Jumps()) {
        painter.fillRect(QRect(x - 1, 0, 2, height()), skin.accent);
        painter.fillRect(QRect(x - 3, 0, 6, 3), skin.accent);
    }
    // Motion events found: a strip along the track's foot.
    for (const auto& [start, end] : m_events) {
        const int x0 = *XAt(start), x1 = *XAt(end);
        painter.fillRect(QRect(x0, track.bottom() - 3, std::max(x1 - x0 + 1, 2), 4), QColor(255, 140, 0));
    }
    // Brackets opening towards the marked span.
    for (const auto& [mark, inward] : {std::pair{m_markIn, 1}, std::pair{m_markOut, -1}}) {
        if (!mark) continue;
        const int x = *XAt(*mark);
        painter.fillRect(QRect(x, 0, 1, height()), skin.text);
        painter.fillRect(QRect(inward > 0 ? x : x - 3, 0, 4, 2), skin.text);
        painter.fillRect(QRect(inward > 0 ? x : x - 3, height() - 2, 4, 2), skin.text);
    }
    if (m_marker) {
        const int x = *XAt(*m_marker);
        painter.fillRect(QRect(x - 1, 0, 3, height()), skin.accent);
    }
    if (const auto label = HoverLabel()) {
        painter.fillRect(QRect(*XAt(*m_hover), track.top(), 1, track.height()), skin.text);
        painter.fillRect(label->first, skin.base);
        painter.drawText(label->first, Qt::AlignCenter, label->second);
    }
}

void Timeline::SetEvents(std::vector<std::pair<std::int64_t, std::int64_t>> events) {
    m_events = std::move(events);
    update();
}

std::optional<std::pair<QRect, QString>> Timeline::HoverLabel() const {
    if (!m_hover || !m_hasSpan) return std::nullopt;
    const int x = *XAt(*m_hover);
    // The whole capture time, or the time of day where that does not fit.
    QString text = TimeText(*m_hover);
    if (fontMetrics().horizontalAdvance(text) + 8 > width()) text = text.mid(11);
    const int labelWidth = std::min(fontMetrics().horizontalAdvance(text) + 8, width());
    // Beside the pointer, on the side with room, never past either end.
    int left = x + 6 + labelWidth <= width() ? x + 6 : x - 6 - labelWidth;
    left = std::clamp(left, 0, width() - labelWidth);
    return std::pair{QRect(left, 0, labelWidth, height()), text};
}

void Timeline::resizeEvent(QResizeEvent* event) {
    // A zoom moves the strip under a pointer that may have left: no label stays behind.
    m_hover.reset();
    QWidget::resizeEvent(event);
}

void Timeline::SetMarks(std::optional<std::int64_t> in, std::optional<std::int64_t> out) {
    m_markIn = in;
    m_markOut = out;
    update();
}

void Timeline::SeekTo(int x) {
    const auto time = TimeAt(x);
    if (!time || !m_player || time == m_sought) return;
    m_sought = time;
    m_player->SeekTo(*time);
}

void Timeline::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    m_dragging = true;
    m_sought.reset();
    SeekTo(event->position().toPoint().x());
}

void Timeline::mouseMoveEvent(QMouseEvent* event) {
    const int x = event->position().toPoint().x();
    m_hover = TimeAt(x);
    if (m_dragging && (event->buttons() & Qt::LeftButton)) SeekTo(x);
    update();
}

void Timeline::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_dragging) {
        SeekTo(event->position().toPoint().x());
        m_dragging = false;
    }
    QWidget::mouseReleaseEvent(event);
}

void Timeline::leaveEvent(QEvent* event) {
    m_hover.reset();
    update();
    QWidget::leaveEvent(event);
}

}  // namespace korvane
