#include "controls/Timeline.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

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
    connect(&player, &Player::PictureShown, this, [this] {
        m_marker = m_player->CurrentTime();
        update();
    });
    Refresh();
}

void Timeline::Refresh() {
    const CameraTrack* track = m_player && m_player->IndexComplete() ? m_player->Track() : nullptr;
    const auto first = track ? track->First() : std::nullopt;
    const auto last = track ? track->Last() : std::nullopt;
    m_hasSpan = first && last;
    m_first = m_hasSpan ? track->Entry(*first).time : 0;
    m_last = m_hasSpan ? track->Entry(*last).time : 0;
    m_gaps = track ? track->Gaps() : std::vector<TimeGap>{};
    m_marker = m_player ? m_player->CurrentTime() : std::nullopt;
    update();
}

QRect Timeline::Track() const { return rect().adjusted(kMargin, 3, -kMargin, -3); }

std::optional<std::int64_t> Timeline::TimeAt(int x) const {
    if (!m_hasSpan) return std::nullopt;
    const QRect track = Track();
    const int along = std::clamp(x - track.left(), 0, std::max(track.width() - 1, 0));
    if (track.width() <= 1) return m_first;
    return m_first + (m_last - m_first) * along / (track.width() - 1);
}

std::optional<int> Timeline::XAt(std::int64_t time) const {
    if (!m_hasSpan) return std::nullopt;
    const QRect track = Track();
    if (m_last == m_first) return track.left();
    const std::int64_t clamped = std::clamp(time, m_first, m_last);
    return track.left() + static_cast<int>((clamped - m_first) * (track.width() - 1) / (m_last - m_first));
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
    // The recorded stretches between the gaps.
    std::int64_t from = m_first;
    const auto fill = [&](std::int64_t to) {
        const int x0 = *XAt(from), x1 = *XAt(to);
        painter.fillRect(QRect(x0, track.top(), std::max(x1 - x0 + 1, 1), track.height()), skin.filled);
    };
    for (const TimeGap& gap : m_gaps) {
        fill(gap.from);
        from = gap.to;
    }
    fill(m_last);
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
    if (m_hover) {
        const int x = *XAt(*m_hover);
        painter.fillRect(QRect(x, track.top(), 1, track.height()), skin.text);
        const QString text = TimeText(*m_hover);
        const int width = painter.fontMetrics().horizontalAdvance(text) + 8;
        QRect box(x + 6, 0, width, height());
        if (box.right() > rect().right()) box.moveRight(x - 6);
        painter.fillRect(box, skin.base);
        painter.drawText(box, Qt::AlignCenter, text);
    }
}

void Timeline::SetEvents(std::vector<std::pair<std::int64_t, std::int64_t>> events) {
    m_events = std::move(events);
    update();
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
