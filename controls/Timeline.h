// The timeline under the picture: one lane per camera shown, each drawn in
// the skin's colours where its camera has pictures, the gaps (no picture for
// more than a second) left as gaps and the file boundaries invisible; the
// selected camera's lane stands out, the current picture's marker spans all
// lanes, and the capture time under the pointer is always whole inside the
// strip, with a small picture of the hovered lane's camera. Where the
// recorder's clock was set back, the stretches before and after lie side by
// side on one scale, with the jump marked between them. A click or a drag
// seeks the engine to the time under the pointer; the wheel zooms around the
// pointer down to a few seconds, and zoomed in a drag moves the strip
// sideways. While the index is built it shows its progress.
#pragma once

#include <QWidget>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "controls/ClockSegments.h"
#include "controls/HoverPicture.h"
#include "controls/TimelineScale.h"
#include "playback/Session.h"
#include "recording/RecordIndex.h"

namespace korvane {

inline constexpr int kTimelineHeight = 20;

class Timeline : public QWidget {
    Q_OBJECT

public:
    explicit Timeline(QWidget* parent = nullptr);

    // The engine the timeline shows and drives. It must outlive the timeline.
    void Attach(Session& session);

    // The capture time at x (clamped to the span), and the x of a time;
    // nothing while no span is known.
    std::optional<std::int64_t> TimeAt(int x) const;
    std::optional<int> XAt(std::int64_t time) const;
    std::optional<std::int64_t> HoverTime() const { return m_hover; }
    // Where the label of the time under the pointer is drawn, and its text.
    std::optional<std::pair<QRect, QString>> HoverLabel() const;
    std::optional<std::int64_t> Marker() const { return m_marker; }
    // The selected camera's gaps.
    const std::vector<TimeGap>& Gaps() const;
    // A lane: its camera and where that camera has pictures.
    struct Lane {
        int camera = 0;
        std::int64_t first = 0, last = 0;
        std::vector<TimeGap> gaps;
    };
    const std::vector<Lane>& Lanes() const { return m_lanes; }
    // The strip of lane `index`, and the lane at a height (-1: none).
    QRect LaneRect(int index) const;
    int LaneAt(int y) const;
    const TimelineScale& Scale() const { return m_scale; }
    // The small picture of the hovered lane's camera near the hovered time; null when none.
    const QImage& HoverImage() const { return m_hoverPicture.Image(); }
    // Where the clock was set back: the x of each segment after the first.
    std::vector<int> Jumps() const;
    // The in and out marks of a clip to export (capture times), shown as brackets.
    void SetMarks(std::optional<std::int64_t> in, std::optional<std::int64_t> out);
    std::pair<std::optional<std::int64_t>, std::optional<std::int64_t>> Marks() const { return {m_markIn, m_markOut}; }
    // Motion events found (capture-time spans from start to end), marked under the track.
    void SetEvents(std::vector<std::pair<std::int64_t, std::int64_t>> events);
    const std::vector<std::pair<std::int64_t, std::int64_t>>& Events() const { return m_events; }
    // The index's progress in percent while it is built, else -1.
    int Progress() const { return m_progress; }

    QSize sizeHint() const override { return {200, kTimelineHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The lanes and the scale, from the engine's index.
    void Refresh();
    void SeekTo(int x);
    QRect Track() const;
    double FractionAt(int x) const;
    void FillLane(QPainter& painter, const QRect& lane, const Lane& what, const QColor& colour) const;
    void ShowHoverPicture(int y);

    Session* m_session = nullptr;
    bool m_hasSpan = false;
    TimelineScale m_scale;
    std::vector<Lane> m_lanes;  // in camera-number order
    int m_selectedLane = 0;
    HoverPicture m_hoverPicture;
    std::optional<int> m_pressX;  // where a press on a zoomed strip started
    bool m_panning = false;
    std::optional<std::int64_t> m_marker;
    std::optional<std::int64_t> m_markIn;
    std::optional<std::int64_t> m_markOut;
    std::optional<std::int64_t> m_hover;
    std::vector<std::pair<std::int64_t, std::int64_t>> m_events;
    std::optional<std::int64_t> m_sought;  // the last time a drag sought, so that it seeks once per step
    int m_progress = -1;
    bool m_dragging = false;
};

}  // namespace korvane
