// Finished searches kept on disk, one file per set of recordings, camera,
// span, region and settings, so that the same search again is answered at
// once. A recording that changed (size or modification time) misses its old
// entries. Only complete results are stored, each written whole or not at
// all, so a cancelled or failed search leaves nothing behind.
#pragma once

#include <QString>

#include <optional>

#include "search/MotionSettings.h"

namespace korvane {

class MotionCache {
public:
    // Entries live in `folder` (made when the first is stored).
    explicit MotionCache(QString folder);
    // "korvane/motion" in the user's cache folder (~/.cache/korvane/motion).
    static QString DefaultFolder();

    std::optional<MotionResult> Load(const MotionRequest& request) const;
    // False when the entry could not be written.
    bool Store(const MotionRequest& request, const MotionResult& result) const;
    // The entry's file; empty when the recording cannot be read.
    QString EntryPath(const MotionRequest& request) const;

private:
    QString m_folder;
};

}  // namespace korvane
