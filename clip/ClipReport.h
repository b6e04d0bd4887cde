// The files beside a clip: the times CSV, written row by row during the
// export, and the JSON report written at its end.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <string>

namespace korvane {

struct TimesRow {
    std::size_t index = 0;
    std::string captureTime;
    std::int64_t ptsMs = 0;
    std::uint64_t recordOffset = 0;
    int frameType = 0;
    QByteArray sha256;
};

class TimesFile {
public:
    // Creates the file with its header row; false when it cannot be written.
    bool Open(const std::string& path);
    bool Add(const TimesRow& row);
    bool Close();

private:
    QFile m_file;
};

struct ClipReport {
    std::string sourcePath;
    std::uint64_t sourceSize = 0;
    QByteArray sourceSha256;
    std::string site;
    int camera = 0;
    std::string cameraName;
    std::string firstCaptureTime;
    std::string lastCaptureTime;
    std::size_t pictures = 0;
    std::uint64_t audioSamples = 0;
    std::string audioCodec;
    std::string audioNote;
    std::string outputPath;
    QByteArray outputSha256;
};

bool WriteReport(const std::string& path, const ClipReport& report);

}  // namespace korvane
