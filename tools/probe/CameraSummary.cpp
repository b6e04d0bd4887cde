#include "tools/probe/CameraSummary.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <iomanip>
#include <ostream>
#include <vector>

#include "recording/TimeStamp.h"
#include "tools/probe/ChainWalk.h"

namespace korvane::probe {
namespace {

std::string timeText(std::int64_t time) { return FormatCaptureTime(FromCaptureMilliseconds(time)); }

QJsonValue jsonTime(const CameraTrack& track, const std::optional<RecordRef>& ref) {
    return ref ? QJsonValue(QString::fromStdString(timeText(track.Entry(*ref).time))) : QJsonValue();
}

std::vector<const TrackOverlap*> OverlapsOf(const RecordingSet& set, int camera) {
    std::vector<const TrackOverlap*> found;
    for (const TrackOverlap& o : set.Overlaps())
        if (o.camera == camera) found.push_back(&o);
    return found;
}

std::size_t SetBacks(const CameraTrack& track) {
    std::size_t n = 0;
    for (const auto& s : track.Segments()) n += s.index->ClockSetBacks(track.Camera());
    return n;
}

void writeJson(const RecordingSet& set, const CameraTrack& track, std::ostream& out) {
    QJsonArray gaps;
    for (const TimeGap& gap : track.Gaps())
        gaps.append(QJsonObject{{"from", QString::fromStdString(timeText(gap.from))},
                                {"to", QString::fromStdString(timeText(gap.to))}});
    QJsonObject object{{"camera", track.Camera() + 1},
                       {"pictures", static_cast<qint64>(track.PictureCount())},
                       {"keys", static_cast<qint64>(track.KeyCount())},
                       {"first", jsonTime(track, track.First())},
                       {"last", jsonTime(track, track.Last())},
                       {"gaps", gaps}};
    if (set.FileCount() > 1) {
        QJsonArray files, overlaps;
        for (const auto& s : track.Segments()) files.append(QString::fromStdString(set.Path(s.file)));
        for (const TrackOverlap* o : OverlapsOf(set, track.Camera()))
            overlaps.append(QJsonObject{{"earlier", QString::fromStdString(set.Path(o->earlierFile))},
                                        {"later", QString::fromStdString(set.Path(o->laterFile))},
                                        {"from", QString::fromStdString(timeText(o->laterStarts))},
                                        {"to", QString::fromStdString(timeText(o->earlierEnds))}});
        object.insert("files", files);
        object.insert("overlaps", overlaps);
    }
    out << QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() << '\n';
}

void writeText(const RecordingSet& set, const CameraTrack& track, std::ostream& out) {
    out << std::left << std::setw(8) << cameraLabel(track.Camera());
    const auto first = track.First(), last = track.Last();
    out << track.PictureCount() << " pictures, " << track.KeyCount() << " key, " << timeText(track.Entry(*first).time)
        << " to " << timeText(track.Entry(*last).time) << '\n';
    if (set.FileCount() > 1) {
        out << "        in " << track.Segments().size() << " recordings:\n";
        for (const auto& s : track.Segments())
            out << "        " << set.Path(s.file) << "  " << timeText(s.firstPicture) << " to "
                << timeText(s.lastPicture) << '\n';
        for (const TrackOverlap* o : OverlapsOf(set, track.Camera()))
            out << "        overlap " << timeText(o->laterStarts) << " to " << timeText(o->earlierEnds) << ": "
                << set.Path(o->laterFile) << " starts before " << set.Path(o->earlierFile) << " ends\n";
    }
    for (const TimeGap& gap : track.Gaps())
        out << "        gap " << timeText(gap.from) << " to " << timeText(gap.to) << '\n';
    if (const std::size_t setBacks = SetBacks(track))
        out << "        the capture time goes back " << setBacks << (setBacks == 1 ? " time" : " times")
            << " along the chain (the recorder's clock was set back)\n";
}

}  // namespace

int writeCameraSummary(const RecordingSet& set, std::optional<int> camera, bool json, std::ostream& out) {
    const std::vector<int> cameras = camera ? std::vector<int>{*camera} : set.Cameras();
    for (int c : cameras) {
        if (const CameraTrack* track = set.Track(c)) {
            json ? writeJson(set, *track, out) : writeText(set, *track, out);
        } else if (json) {
            out << QJsonDocument(QJsonObject{{"camera", c + 1}, {"pictures", 0}, {"keys", 0}, {"first", QJsonValue()},
                                             {"last", QJsonValue()}, {"gaps", QJsonArray()}})
                       .toJson(QJsonDocument::Compact)
                       .toStdString()
                << '\n';
        } else {
            out << std::left << std::setw(8) << cameraLabel(c) << "no pictures\n";
        }
    }
    if (!json && cameras.empty()) out << "no pictures\n";
    bool whole = true;
    for (std::uint32_t f = 0; f < set.FileCount(); ++f)
        whole = whole && set.Index(f) && set.Index(f)->End() == IndexEnd::DataEnd;
    const bool missing = camera && !set.Track(*camera);
    return whole && !missing ? 0 : 1;
}

}  // namespace korvane::probe
