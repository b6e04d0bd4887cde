#include "controls/Timeline.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "controls/ClockSegments.h"
#include "controls/SkinColours.h"
#include "recording/TimeStamp.h"

namespace korvane {
namespace {

constexpr int kMargin = 4;         // room for the marker at both ends
constexpr int kRim = 3;            // above and below the lanes
constexpr int kSingleLane = kTimelineHeight - 2 * kRim;

QString TimeText(std::int64_t time) {
    return QString::fromStdString(FormatCaptureTime(FromCaptureMilliseconds(time)));
}

int LaneHeight(std::size_t lanes) { return lanes <= 1 ? kSingleLane : std::clamp(56 / int(lanes), 3, 7); }

}  // namespace

Timeline::Timeline(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFixedHeight(kTimelineHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Timeline::Attach(Session& session) {
    m_session = &session;
    connect(&session, &Session::Opened, this, [this] {
        m_progress = m_session->IndexComplete() ? -1 : 0;
        Refresh();
    });
    connect(&session, &Session::IndexProgress, this, [this](int percent) {
        m_progress = percent;
        update();
    });
    connect(&session, &Session::IndexReady, this, [this] {
        m_progress = -1;
        Refresh();
    });
    connect(&session, &Session::CameraChanged, this, &Timeline::Refresh);
    // An open that left nothing to show: no span of the recording before stays.
    connect(&session, &Session::PictureCleared, this, [this] {
        m_hasSpan = false;
        m_scale.SetSegments({});
        m_lanes.clear();
        m_marker.reset();
        m_hover.reset();
        m_progress = -1;
        setFixedHeight(kTimelineHeight);
        update();
    });
    connect(&session, &Session::PictureShown, this, [this] {
        m_marker = m_session->CurrentTime();
        update();
    });
    Refresh();
}

// A lane for every camera of the session. The scale follows the selected
// camera's stretches where its clock was set back, else it spans every camera.
void Timeline::Refresh() {
    const bool complete = m_session && m_session->IndexComplete() && m_session->Set();
    const CameraTrack* selected = complete ? m_session->Track() : nullptr;
    std::vector<Lane> lanes;
    m_selectedLane = 0;
    if (selected) {
        for (int camera : m_session->Cameras()) {
            const CameraTrack* track = m_session->Set()->Track(camera);
            if (!track || !track->First()) continue;
            if (camera == m_session->SelectedCamera()) m_selectedLane = int(lanes.size());
            lanes.push_back({camera, track->Entry(*track->First()).time, track->Entry(*track->Last()).time, track->Gaps()});
        }
    }
    std::vector<ClockSegment> segments = selected ? ClockSegments(*selected) : std::vector<ClockSegment>{};
    if (segments.size() == 1) {
        for (const Lane& lane : lanes) {
            segments.front().first = std::min(segments.front().first, lane.first);
            segments.front().last = std::max(segments.front().last, lane.last);
        }
    }
    // A new recording or camera shows the whole span again; the same span keeps its zoom.
    const bool same = segments.size() == m_scale.Segments().size() &&
                      std::equal(segments.begin(), segments.end(), m_scale.Segments().begin(),
                                 [](const ClockSegment& a, const ClockSegment& b) { return a.first == b.first && a.last == b.last; });
    if (!same) m_scale.SetSegments(std::move(segments));
    m_lanes = std::move(lanes);
    m_hasSpan = !m_scale.Empty();
    m_marker = m_session ? m_session->CurrentTime() : std::nullopt;
    setFixedHeight(std::max(kTimelineHeight, 2 * kRim + int(m_lanes.size()) * LaneHeight(m_lanes.size())));
    update();
}

const std::vector<TimeGap>& Timeline::Gaps() const {
    static const std::vector<TimeGap> none;
    return m_lanes.empty() ? none : m_lanes[std::size_t(m_selectedLane)].gaps;
}

QRect Timeline::Track() const { return rect().adjusted(kMargin, kRim, -kMargin, -kRim); }

QRect Timeline::LaneRect(int index) const {
    const QRect track = Track();
    if (m_lanes.size() <= 1) return track;
    const int height = LaneHeight(m_lanes.size());
    return QRect(track.left(), track.top() + index * height, track.width(), height);
}

int Timeline::LaneAt(int y) const {
    for (int i = 0; i < int(m_lanes.size()); ++i)
        if (y >= LaneRect(i).top() && y <= LaneRect(i).bottom()) return i;
    return -1;
}

double Timeline::FractionAt(int x) const {
    const QRect track = Track();
    if (track.width() <= 1) return 0;
    return double(std::clamp(x - track.left(), 0, track.width() - 1)) / (track.width() - 1);
}

std::optional<std::int64_t> Timeline::TimeAt(int x) const {
    if (!m_hasSpan) return std::nullopt;
    return m_scale.TimeAt(FractionAt(x));
}

std::optional<int> Timeline::XAt(std::int64_t time) const {
    if (!m_hasSpan) return std::nullopt;
    const QRect track = Track();
    // Outside the part shown, just beyond the strip's ends.
    const double along = std::clamp(m_scale.FractionOf(time), -0.01, 1.01) * (track.width() - 1);
    return track.left() + static_cast<int>(std::floor(along + 1e-9));
}

std::vector<int> Timeline::Jumps() const {
    std::vector<int> jumps;
    for (std::int64_t jump : m_scale.Jumps()) jumps.push_back(*XAt(jump));
    return jumps;
}

// Where the lane's camera has pictures: from its first to its last, but its gaps.
void Timeline::FillLane(QPainter& painter, const QRect& lane, const Lane& what, const QColor& colour) const {
    std::int64_t from = what.first;
    const auto fill = [&](std::int64_t to) {
        const int x0 = *XAt(from), x1 = *XAt(to);
        if (x1 >= x0) painter.fillRect(QRect(x0, lane.top(), std::max(x1 - x0 + 1, 1), lane.height()), colour);
    };
    for (const TimeGap& gap : what.gaps) {
        fill(gap.from);
        from = gap.to;
    }
    fill(what.last);
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
    painter.setClipRect(track);
    // The selected camera's lane in the full colour, the others dimmer.
    const QColor dim = QColor::fromRgbF((skin.filled.redF() + skin.groove.redF()) / 2,
                                        (skin.filled.greenF() + skin.groove.greenF()) / 2,
                                        (skin.filled.blueF() + skin.groove.blueF()) / 2);
    for (int i = 0; i < int(m_lanes.size()); ++i)
        FillLane(painter, LaneRect(i), m_lanes[std::size_t(i)], i == m_selectedLane ? skin.filled : dim);
    painter.setClipping(false);
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
        painter.fillRect(QRect(x - 1, 0, 3, height()), skin.accent);  // across every lane
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
    return std::pair{QRect(left, 0, labelWidth, std::min(height(), kTimelineHeight)), text};
}

// The small picture of the hovered lane's camera, over the pointer.
void Timeline::ShowHoverPicture(int y) {
    const int lane = LaneAt(y);
    if (!m_session || !m_hover || lane < 0) return m_hoverPicture.Hide();
    m_hoverPicture.Show(*m_session, m_lanes[std::size_t(lane)].camera, *m_hover, mapToGlobal(QPoint(*XAt(*m_hover), 0)));
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
    if (!time || !m_session || time == m_sought) return;
    m_sought = time;
    m_session->SeekTo(*time);
}

// Zoomed in, a press may start a move of the strip: it seeks when let go without moving.
void Timeline::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    m_sought.reset();
    m_panning = false;
    if (m_scale.Zoomed()) {
        m_pressX = event->position().toPoint().x();
        return;
    }
    m_dragging = true;
    SeekTo(event->position().toPoint().x());
}

void Timeline::mouseMoveEvent(QMouseEvent* event) {
    const int x = event->position().toPoint().x();
    if (m_pressX && (event->buttons() & Qt::LeftButton)) {
        if (std::abs(x - *m_pressX) >= QApplication::startDragDistance()) m_panning = true;
        if (m_panning) {
            m_scale.MoveBy(-double(x - *m_pressX) / std::max(Track().width() - 1, 1));
            m_pressX = x;
        }
    }
    m_hover = TimeAt(x);
    ShowHoverPicture(event->position().toPoint().y());
    if (m_dragging && (event->buttons() & Qt::LeftButton)) SeekTo(x);
    update();
}

void Timeline::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_pressX) {
        if (!m_panning) SeekTo(event->position().toPoint().x());
        m_pressX.reset();
        m_panning = false;
    }
    if (event->button() == Qt::LeftButton && m_dragging) {
        SeekTo(event->position().toPoint().x());
        m_dragging = false;
    }
    QWidget::mouseReleaseEvent(event);
}

void Timeline::wheelEvent(QWheelEvent* event) {
    if (!m_hasSpan) return QWidget::wheelEvent(event);
    m_scale.ZoomAt(FractionAt(event->position().toPoint().x()), event->angleDelta().y() / 120.0);
    m_hover = TimeAt(event->position().toPoint().x());
    event->accept();
    update();
}

void Timeline::leaveEvent(QEvent* event) {
    m_hover.reset();
    m_hoverPicture.Hide();
    update();
    QWidget::leaveEvent(event);
}

}  // namespace korvane
