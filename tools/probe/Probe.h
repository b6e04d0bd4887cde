// korvane-probe: shows what is inside a recording. It lists the file header
// and every record of the physical chain, whatever its camera, and says
// where and why the chain ends. Text for people, or one JSON object a line
// for scripts.
#pragma once

#include <iosfwd>
#include <optional>
#include <span>
#include <string>

namespace korvane::probe {

// Exit statuses of the tool.
inline constexpr int kChainComplete = 0;  // the chain was followed to dataEnd
inline constexpr int kChainBroken = 1;    // the chain stopped before dataEnd
inline constexpr int kCannotRead = 2;     // no file, or shorter than its header; or bad usage

enum class OutputFormat { Text, Json };

struct ProbeOptions {
    OutputFormat format = OutputFormat::Text;
    bool colour = false;  // ANSI colours for warnings (text only)
    bool summary = false;  // per camera: pictures, keys, first, last, gaps
    std::optional<int> camera;  // 0-based: only this camera's records (and summary)
};

// Probes one recording. The report goes to out; a file that cannot be read
// is reported on err. Returns one of the exit statuses above.
int probeRecording(const std::string& path, const ProbeOptions& options, std::ostream& out,
                   std::ostream& err);

// The command line without the program name: "[--summary] [--json] [--camera N] FILE", "--help".
int runProbeCommand(std::span<const std::string> args, bool colour, std::ostream& out,
                    std::ostream& err);

}  // namespace korvane::probe
