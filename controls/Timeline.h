// The timeline under the picture: the time span the selected camera's
// pictures cover, drawn in the skin's colours, with the gaps (no picture for
// more than a second) left as gaps, the current picture as a marker and the
// capture time under the pointer. A click or a drag seeks the engine to the
// time under the pointer. While the index is built it shows its progress.
#pragma once

#include <QWidget>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "playback/Player.h"
#include "recording/RecordIndex.h"

namespace korvane {

inline constexpr int kTimelineHeight = 20;

class Timeline : public QWidget {
    Q_OBJECT

public:
    explicit Timeline(QWidget* parent = nullptr);

    // The engine the timeline shows and drives. It must outlive the timeline.
    void Attach(Player& player);

    // The capture time at x (clamped to the span), and the x of a time;
    // nothing while no span is known.
    std::optional<std::int64_t> TimeAt(int x) const;
    std::optional<int> XAt(std::int64_t time) const;
    std::optional<std::int64_t> HoverTime() const { return m_hover; }
    std::optional<std::int64_t> Marker() const { return m_marker; }
    const std::vector<TimeGap>& Gaps() const { return m_gaps; }
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
    void leaveEvent(QEvent* event) override;

private:
    // The span and gaps of the selected camera, from the engine's index.
    void Refresh();
    void SeekTo(int x);
    QRect Track() const;

    Player* m_player = nullptr;
    bool m_hasSpan = false;
    std::int64_t m_first = 0;
    std::int64_t m_last = 0;
    std::vector<TimeGap> m_gaps;
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
