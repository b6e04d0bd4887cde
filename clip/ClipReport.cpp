#include "clip/ClipReport.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace korvane {
namespace {

QString Text(const std::string& text) { return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

bool TimesFile::Open(const std::string& path) {
    m_file.setFileName(Text(path));
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return m_file.write("index,capture_time,pts_ms,record_offset,frame_type,sha256\n") > 0;
}

bool TimesFile::Add(const TimesRow& row) {
    const QByteArray line = QByteArray::number(qulonglong(row.index)) + ',' + QByteArray::fromStdString(row.captureTime) +
                            ',' + QByteArray::number(qlonglong(row.ptsMs)) + ',' +
                            QByteArray::number(qulonglong(row.recordOffset)) + ',' + QByteArray::number(row.frameType) +
                            ',' + row.sha256 + '\n';
    return m_file.write(line) == line.size();
}

bool TimesFile::Close() {
    const bool flushed = m_file.flush();
    m_file.close();
    return flushed && m_file.error() == QFileDevice::NoError;
}

bool WriteReport(const std::string& path, const ClipReport& r) {
    QJsonObject json;
    json[QStringLiteral("source")] = Text(r.sourcePath);
    json[QStringLiteral("source_size")] = static_cast<qint64>(r.sourceSize);
    json[QStringLiteral("source_sha256")] = QString::fromLatin1(r.sourceSha256);
    json[QStringLiteral("site")] = Text(r.site);
    json[QStringLiteral("camera")] = r.camera;
    json[QStringLiteral("camera_name")] = Text(r.cameraName);
    json[QStringLiteral("first_capture_time")] = Text(r.firstCaptureTime);
    json[QStringLiteral("last_capture_time")] = Text(r.lastCaptureTime);
    json[QStringLiteral("pictures")] = static_cast<qint64>(r.pictures);
    json[QStringLiteral("audio_samples")] = static_cast<qint64>(r.audioSamples);
    json[QStringLiteral("audio_codec")] = Text(r.audioCodec);
    if (!r.audioNote.empty()) json[QStringLiteral("audio_note")] = Text(r.audioNote);
    json[QStringLiteral("output")] = Text(r.outputPath);
    json[QStringLiteral("output_sha256")] = QString::fromLatin1(r.outputSha256);
    json[QStringLiteral("program")] = QStringLiteral("Korvane " KORVANE_VERSION);
    QFile file(Text(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    const QByteArray bytes = QJsonDocument(json).toJson();
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    return written;
}

}  // namespace korvane
