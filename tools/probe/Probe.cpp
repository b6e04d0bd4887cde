#include "tools/probe/Probe.h"

#include <cstring>
#include <ostream>

#include "recording/RecordFile.h"
#include "tools/probe/ChainWalk.h"
#include "tools/probe/JsonReport.h"
#include "tools/probe/TextReport.h"

namespace korvane::probe {
namespace {

void printUsage(std::ostream& out) {
    out << "Usage: korvane-probe FILE [--json]\n"
           "\n"
           "Lists the file header of a recording and every record of its chain, of all\n"
           "cameras, and says where the chain ends.\n"
           "\n"
           "  --json   one JSON object a line: the header, each record, a summary\n"
           "  --help   show this text\n"
           "\n"
           "Exit status: 0 when the chain reaches dataEnd, 1 when it stops early,\n"
           "2 when the file cannot be read or is shorter than its header.\n";
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
        return walkChain(file, info, json).exitStatus;
    }
    TextReportWriter text(out, options.colour);
    return walkChain(file, info, text).exitStatus;
}

int runProbeCommand(std::span<const std::string> args, bool colour, std::ostream& out,
                    std::ostream& err) {
    ProbeOptions options;
    options.colour = colour;
    std::string path;
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            printUsage(out);
            return kChainComplete;
        }
        if (arg == "--json") {
            options.format = OutputFormat::Json;
        } else if (arg.size() > 1 && arg[0] == '-') {
            err << "korvane-probe: unknown option " << arg << "\n\n";
            printUsage(err);
            return kCannotRead;
        } else if (path.empty()) {
            path = arg;
        } else {
            err << "korvane-probe: one recording at a time\n\n";
            printUsage(err);
            return kCannotRead;
        }
    }
    if (path.empty()) {
        printUsage(err);
        return kCannotRead;
    }
    if (options.format == OutputFormat::Json) options.colour = false;
    return probeRecording(path, options, out, err);
}

}  // namespace korvane::probe
