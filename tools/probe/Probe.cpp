#include "tools/probe/Probe.h"

#include <QCommandLineParser>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "recording/RecordFile.h"
#include "tools/probe/CameraSummary.h"
#include "tools/probe/ChainWalk.h"
#include "tools/probe/JsonReport.h"
#include "tools/probe/MotionCommand.h"
#include "tools/probe/TextReport.h"

namespace korvane::probe {
namespace {

void printUsage(std::ostream& out) {
    out << "Usage: korvane-probe FILE [--json] [--camera N]\n"
           "       korvane-probe --summary [--json] [--camera N] PATH...\n"
           "       korvane-probe --motion [OPTIONS] PATH...   (--motion --help lists them)\n"
           "       korvane-probe --verify OUTDIR/manifest.json   (checks an incident package;\n"
           "               exit 0 all match, 1 something differs or is missing, 2 no manifest)\n"
           "\n"
           "Lists the file header of a recording and every record of its chain, of all\n"
           "cameras, and says where the chain ends.\n"
           "\n"
           "  --json       one JSON object a line: the header, each record, a summary\n"
           "  --camera N   only the records of camera N (from 1, as the player shows it)\n"
           "  --summary    per camera: pictures, key pictures, first and last capture\n"
           "               time, and every gap of more than a second\n"
           "  --help       show this text\n"
           "  --version    show the version\n"
           "\n"
           "Exit status: 0 when the chain reaches dataEnd, 1 when it stops early (or\n"
           "the camera asked for has no picture), 2 when the file cannot be read or is\n"
           "shorter than its header.\n";
}

// Passes on the records of one camera only.
class CameraFilter final : public ReportWriter {
public:
    CameraFilter(ReportWriter& to, int camera) : m_to(to), m_camera(camera) {}
    void writeHeader(const FileInfo& info) override { m_to.writeHeader(info); }
    void writeRecord(const RecordInfo& info) override {
        if (info.record.header.camera == m_camera) m_to.writeRecord(info);
    }
    void writeSummary(const FileInfo& info, const Summary& summary) override { m_to.writeSummary(info, summary); }

private:
    ReportWriter& m_to;
    int m_camera;
};

int walkFor(const RecordFile& file, const FileInfo& info, const ProbeOptions& options, ReportWriter& writer) {
    if (!options.camera) return walkChain(file, info, writer).exitStatus;
    CameraFilter filter(writer, *options.camera);
    return walkChain(file, info, filter).exitStatus;
}

}  // namespace

int probeRecording(const std::string& path, const ProbeOptions& options, std::ostream& out,
                   std::ostream& err) {
    RecordFile file;
    if (const int error = file.Open(path); error != 0) {
        err << "korvane-probe: cannot open " << path << ": " << std::strerror(error) << '\n';
        return kCannotRead;
    }
    FileInfo info;
    info.path = path;
    info.fileSize = file.Size();
    if (!file.ReadAt(0, info.header.bytes)) {
        err << "korvane-probe: " << path << " is " << info.fileSize << " bytes, shorter than the "
            << kFileHeaderSize << "-byte file header\n";
        return kCannotRead;
    }
    if (options.format == OutputFormat::Json) {
        JsonReportWriter json(out);
        return walkFor(file, info, options, json);
    }
    TextReportWriter text(out, options.colour);
    return walkFor(file, info, options, text);
}

namespace {

int summarise(const std::vector<std::string>& paths, const ProbeOptions& options, std::ostream& out,
              std::ostream& err) {
    const std::vector<std::string> recordings = RecordingPaths(paths);
    if (recordings.empty()) {
        err << "korvane-probe: no recording in " << paths.front() << '\n';
        return kCannotRead;
    }
    for (const std::string& path : recordings) {
        RecordFile file;
        RecordingFileHeader header;
        if (const int error = file.Open(path); error != 0) {
            err << "korvane-probe: cannot open " << path << ": " << std::strerror(error) << '\n';
            return kCannotRead;
        }
        if (!file.ReadAt(0, header.bytes)) {
            err << "korvane-probe: " << path << " is " << file.Size() << " bytes, shorter than the "
                << kFileHeaderSize << "-byte file header\n";
            return kCannotRead;
        }
    }
    const auto set = RecordingSet::Build(recordings);
    return writeCameraSummary(*set, options.camera, options.format == OutputFormat::Json, out);
}

}  // namespace

int runProbeCommand(std::span<const std::string> args, bool colour, std::ostream& out,
                    std::ostream& err) {
    if (std::find(args.begin(), args.end(), "--motion") != args.end()) return runMotionCommand(args, out, err);
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption summary(QStringLiteral("summary"));
    const QCommandLineOption camera(QStringLiteral("camera"), QString(), QStringLiteral("N"));
    for (const QCommandLineOption* option : {&help, &version, &json, &summary, &camera}) parser.addOption(*option);
    QStringList line{QStringLiteral("korvane-probe")};
    for (const std::string& arg : args) line << QString::fromLocal8Bit(arg.data(), static_cast<qsizetype>(arg.size()));
    const auto refuse = [&](const std::string& why) {
        err << "korvane-probe: " << why << "\n\n";
        printUsage(err);
        return kCannotRead;
    };
    if (!parser.parse(line)) return refuse(parser.errorText().toStdString());
    if (parser.isSet(help)) {
        printUsage(out);
        return kChainComplete;
    }
    if (parser.isSet(version)) {
        out << "korvane-probe " << KORVANE_VERSION << '\n';
        return kChainComplete;
    }
    ProbeOptions options;
    options.colour = colour && !parser.isSet(json);
    options.summary = parser.isSet(summary);
    if (parser.isSet(json)) options.format = OutputFormat::Json;
    if (parser.isSet(camera)) {
        bool number = false;
        const int given = parser.value(camera).toInt(&number);
        if (!number || given < 1 || given > 256) return refuse("--camera wants a camera number from 1 to 256");
        options.camera = given - 1;
    }
    std::vector<std::string> paths;
    for (const QString& file : parser.positionalArguments()) paths.push_back(file.toLocal8Bit().toStdString());
    if (paths.size() > 1 && !options.summary) return refuse("one recording at a time (several only with --summary)");
    if (paths.empty()) {
        printUsage(err);
        return kCannotRead;
    }
    if (options.summary) return summarise(paths, options, out, err);
    return probeRecording(paths.front(), options, out, err);
}

}  // namespace korvane::probe
