// The small picture the timeline shows over the pointer: a camera's nearest
// key picture at or before the hovered time, asked of the engine again only
// when the pointer has moved on by a while or to another camera, floating
// above the strip.
#pragma once

#include <QImage>
#include <QLabel>
#include <QPoint>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

namespace korvane {

class Session;

class HoverPicture {
public:
    // The camera's picture near `time`, its bottom centre at `above` (global); false when it has none.
    bool Show(Session& session, int camera, std::int64_t time, QPoint above);
    void Hide();
    const QImage& Image() const { return m_image; }

private:
    QImage m_image;
    std::optional<std::pair<int, std::int64_t>> m_of;  // the camera and time it was made for
    std::unique_ptr<QLabel> m_label;
};

}  // namespace korvane
