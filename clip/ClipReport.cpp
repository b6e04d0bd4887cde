#include "clip/ClipReport.h"

#include <QJsonDocument>

#include "clip/QtText.h"
#include "recording/TimeStamp.h"

namespace korvane {
namespace {

// A CSV field, quoted when it holds a separator, a quote or a line break.
QByteArray Field(const std::string& text) {
    QByteArray bytes = QByteArray::fromStdString(text);
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\n')) return bytes;
    return '"' + bytes.replace("\"", "\"\"") + '"';
}

QJsonObject FileJson(const WrittenFile& file) {
    return {{QStringLiteral("path"), ToQt(file.path)},
            {QStringLiteral("size"), static_cast<qint64>(file.size)},
            {QStringLiteral("sha256"), QString::fromLatin1(file.sha256)}};
}

}  // namespace

TimesFile::TimesFile(HashedOutput& file)
    : m_file(file), m_ok(file.Write(QByteArray("index,capture_time,pts_ms,source,record_offset,frame_type,sha256,note\n"))) {}

bool TimesFile::Add(const TimesRow& row) {
    const QByteArray line = QByteArray::number(qulonglong(row.index)) + ',' +
                            QByteArray::fromStdString(FormatCaptureTime(row.captureTime)) +
                            ',' + QByteArray::number(qlonglong(row.ptsMs)) + ',' + Field(row.source) + ',' +
                            QByteArray::number(qulonglong(row.recordOffset)) + ',' + QByteArray::number(row.frameType) +
                            ',' + row.sha256 + ',' + QByteArray(row.note.data(), qsizetype(row.note.size())) + '\n';
    return m_ok && m_file.Write(line);
}

QJsonObject PartJson(const ClipPart& p) {
    QJsonObject json{{QStringLiteral("clip"), FileJson(p.clip)},
                     {QStringLiteral("times"), FileJson(p.times)},
                     {QStringLiteral("video_codec"), ToQt(p.videoCodec)},
                     {QStringLiteral("audio_codec"), ToQt(p.audioCodec)},
                     {QStringLiteral("first_capture_time"), ToQt(p.firstTime)},
                     {QStringLiteral("last_capture_time"), ToQt(p.lastTime)},
                     {QStringLiteral("pictures"), static_cast<qint64>(p.pictures)},
                     {QStringLiteral("video_records"), static_cast<qint64>(p.records)},
                     {QStringLiteral("audio_samples"), static_cast<qint64>(p.audioSamples)}};
    if (!p.soundNote.empty()) json[QStringLiteral("audio_note")] = ToQt(p.soundNote);
    if (p.picturesOutOfOrder) json[QStringLiteral("pictures_out_of_order")] = static_cast<qint64>(p.picturesOutOfOrder);
    if (p.soundOutOfOrder) json[QStringLiteral("sound_records_out_of_order")] = static_cast<qint64>(p.soundOutOfOrder);
    if (p.soundGapsNotFilled) json[QStringLiteral("sound_gaps_not_filled")] = static_cast<qint64>(p.soundGapsNotFilled);
    return json;
}

bool WriteJson(HashedOutput& file, const QJsonObject& json) { return file.Write(QJsonDocument(json).toJson()); }

}  // namespace korvane
