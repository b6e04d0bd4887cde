#include "tools/probe/CameraSummary.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <iomanip>
#include <ostream>
#include <vector>

#include "recording/RecordIndex.h"
#include "recording/TimeStamp.h"
#include "tools/probe/ChainWalk.h"

namespace korvane::probe {
namespace {

std::string timeText(std::int64_t time) { return FormatCaptureMilliseconds(time); }

QJsonValue jsonTime(const std::optional<IndexEntry>& entry) {
    return entry ? QJsonValue(QString::fromStdString(timeText(entry->time))) : QJsonValue();
}

void writeJson(const RecordIndex& index, int camera, std::ostream& out) {
    QJsonArray gaps;
    for (const TimeGap& gap : index.Gaps(camera))
        gaps.append(QJsonObject{{"from", QString::fromStdString(timeText(gap.from))},
                                {"to", QString::fromStdString(timeText(gap.to))}});
    const QJsonObject object{{"camera", camera + 1},
                             {"pictures", static_cast<qint64>(index.PictureCount(camera))},
                             {"keys", static_cast<qint64>(index.KeyCount(camera))},
                             {"first", jsonTime(index.First(camera))},
                             {"last", jsonTime(index.Last(camera))},
                             {"gaps", gaps}};
    out << QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() << '\n';
}

void writeText(const RecordIndex& index, int camera, std::ostream& out) {
    out << std::left << std::setw(8) << cameraLabel(camera);
    const auto first = index.First(camera), last = index.Last(camera);
    if (!first || !last) {
        out << "no pictures\n";
        return;
    }
    out << index.PictureCount(camera) << " pictures, " << index.KeyCount(camera) << " key, "
        << timeText(first->time) << " to " << timeText(last->time) << '\n';
    for (const TimeGap& gap : index.Gaps(camera))
        out << "        gap " << timeText(gap.from) << " to " << timeText(gap.to) << '\n';
    if (const std::size_t setBacks = index.ClockSetBacks(camera))
        out << "        the capture time goes back " << setBacks << (setBacks == 1 ? " time" : " times")
            << " along the chain (the recorder's clock was set back)\n";
}

}  // namespace

int writeCameraSummary(const RecordFile& file, std::optional<int> camera, bool json, std::ostream& out) {
    const auto index = RecordIndex::Build(file);
    if (!index) return 1;
    const std::vector<int> cameras = camera ? std::vector<int>{*camera} : index->Cameras();
    for (int c : cameras) json ? writeJson(*index, c, out) : writeText(*index, c, out);
    if (!json && cameras.empty()) out << "no pictures\n";
    const bool missing = camera && index->PictureCount(*camera) == 0;
    return index->End() == IndexEnd::DataEnd && !missing ? 0 : 1;
}

}  // namespace korvane::probe
