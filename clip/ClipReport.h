// The files beside a clip: the times CSV, written row by row during the
// export, and the JSON report written at its end.
#pragma once

#include <QByteArray>
#include <QJsonObject>

#include <cstdint>
#include <string>
#include <vector>

#include "clip/HashedOutput.h"
#include "recording/RecordLayout.h"

namespace korvane {

struct TimesRow {
    std::size_t index = 0;
    SystemTime captureTime;
    std::int64_t ptsMs = 0;
    std::string source;  // the recording's file name
    std::uint64_t recordOffset = 0;
    int frameType = 0;
    QByteArray sha256;
    std::string_view note;
};

// One row per video record of the clip.
class TimesFile {
public:
    explicit TimesFile(HashedOutput& file);
    bool Add(const TimesRow& row);

private:
    HashedOutput& m_file;
    bool m_ok;
};

// A written file as reports list it.
struct WrittenFile {
    std::string path;
    std::uint64_t size = 0;
    QByteArray sha256;
};

// One clip of an export (an export is more than one when the video's codec changes).
struct ClipPart {
    WrittenFile clip, times;
    std::string videoCodec, audioCodec;
    std::string soundNote;  // how the sound is carried, for people
    std::string firstTime, lastTime;  // capture times of the first and last picture
    std::size_t pictures = 0, records = 0;
    std::uint64_t audioSamples = 0;
    std::size_t picturesOutOfOrder = 0, soundOutOfOrder = 0, soundGapsNotFilled = 0;
};

QJsonObject PartJson(const ClipPart& part);

// Writes the JSON object to a file of the export.
bool WriteJson(HashedOutput& file, const QJsonObject& json);

}  // namespace korvane
