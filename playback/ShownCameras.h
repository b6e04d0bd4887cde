// The cameras shown side by side and what each shows: the size its pictures
// are converted to, its converter, and the picture on screen. The cameras,
// the pictures on screen and the records they show belong to the owning
// thread; the sizes are set there and read by the threads that convert.
// A camera's converter is used by the one thread that runs its stream.
#pragma once

#include <QSize>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "decode/PictureConverter.h"
#include "recording/CameraTrack.h"

namespace korvane {

class ShownCameras {
public:
    // The cameras in camera-number order, each once, `selected` among them.
    void Show(std::vector<int> cameras, int selected);
    const std::vector<int>& List() const { return m_cameras; }
    // Every camera shown but `selected`.
    std::vector<int> Others(int selected) const;
    bool Shown(int camera) const;

    void SetSize(int camera, QSize size);
    // The picture converted for `camera` at its size (within it, in its
    // proportions; at its own size when that fits), by `converter`.
    PictureHandle Convert(int camera, const DecodedPicture& picture, PictureConverter& converter,
                          std::chrono::steady_clock::time_point presentedAt) const;
    // For a camera's own thread.
    PictureConverter& ConverterOf(int camera);

    // The picture a camera shows and the record it is of; null: none at the clock.
    void SetPicture(int camera, std::optional<RecordRef> ref, PictureHandle picture);
    PictureHandle Picture(int camera) const;
    std::optional<RecordRef> Record(int camera) const;
    // Forgets the pictures (a new set of recordings), keeps the sizes.
    void ClearPictures();

private:
    struct OnScreen {
        std::optional<RecordRef> ref;
        PictureHandle picture;
    };
    std::vector<int> m_cameras;
    std::map<int, OnScreen> m_onScreen;
    std::map<int, std::unique_ptr<PictureConverter>> m_converters;  // made on the owning thread
    mutable std::mutex m_sizesMutex;  // guards m_sizes
    std::map<int, QSize> m_sizes;
};

// The size within `box` that keeps the proportions of `shown`; `shown`
// itself when it fits or the box is empty.
PictureSize FitInto(PictureSize shown, QSize box);

}  // namespace korvane
