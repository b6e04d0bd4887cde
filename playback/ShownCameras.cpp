#include "playback/ShownCameras.h"

#include <algorithm>

namespace korvane {

PictureSize FitInto(PictureSize shown, QSize box) {
    if (box.isEmpty() || shown.width <= 0 || shown.height <= 0) return shown;
    if (shown.width <= box.width() && shown.height <= box.height()) return shown;
    const QSize fitted = QSize(shown.width, shown.height).scaled(box, Qt::KeepAspectRatio);
    return {std::max(fitted.width(), 1), std::max(fitted.height(), 1)};
}

void ShownCameras::Show(std::vector<int> cameras, int selected) {
    cameras.push_back(selected);
    std::sort(cameras.begin(), cameras.end());
    cameras.erase(std::unique(cameras.begin(), cameras.end()), cameras.end());
    m_cameras = std::move(cameras);
    for (const int camera : m_cameras) {
        auto& converter = m_converters[camera];
        if (!converter) converter = std::make_unique<PictureConverter>();
    }
}

std::vector<int> ShownCameras::Others(int selected) const {
    std::vector<int> others;
    for (const int camera : m_cameras)
        if (camera != selected) others.push_back(camera);
    return others;
}

bool ShownCameras::Shown(int camera) const {
    return std::find(m_cameras.begin(), m_cameras.end(), camera) != m_cameras.end();
}

void ShownCameras::SetSize(int camera, QSize size) {
    std::lock_guard lock(m_sizesMutex);
    m_sizes[camera] = size;
}

PictureHandle ShownCameras::Convert(int camera, const DecodedPicture& picture, PictureConverter& converter,
                                    std::chrono::steady_clock::time_point presentedAt) const {
    QSize box;
    {
        std::lock_guard lock(m_sizesMutex);
        if (const auto it = m_sizes.find(camera); it != m_sizes.end()) box = it->second;
    }
    const PictureSize target = FitInto(picture.Shown(), box);
    return target == picture.Shown() ? converter.Convert(picture, presentedAt)
                                     : converter.Convert(picture, target, presentedAt);
}

PictureConverter& ShownCameras::ConverterOf(int camera) {
    auto& converter = m_converters[camera];
    if (!converter) converter = std::make_unique<PictureConverter>();
    return *converter;
}

void ShownCameras::SetPicture(int camera, std::optional<RecordRef> ref, PictureHandle picture) {
    m_onScreen[camera] = {ref, std::move(picture)};
}

PictureHandle ShownCameras::Picture(int camera) const {
    const auto it = m_onScreen.find(camera);
    return it == m_onScreen.end() ? nullptr : it->second.picture;
}

std::optional<RecordRef> ShownCameras::Record(int camera) const {
    const auto it = m_onScreen.find(camera);
    return it == m_onScreen.end() ? std::nullopt : it->second.ref;
}

void ShownCameras::ClearPictures() { m_onScreen.clear(); }

}  // namespace korvane
