#include "tools/probe/MotionCommand.h"

#include <QCommandLineParser>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <atomic>
#include <iomanip>
#include <optional>
#include <ostream>

#include "recording/TimeStamp.h"
#include "search/MotionSearch.h"
#include "tools/probe/Probe.h"

namespace korvane::probe {
namespace {

constexpr char kUsage[] =
    "Usage: korvane-probe --motion [--region X,Y,W,H] [--sensitivity N] [--min-size PERCENT]\n"
    "                     [--min-duration MS] [--camera N] [--from TIME] [--to TIME]\n"
    "                     [--keys-only] [--threads N] [--no-cache] [--json] PATH...\n"
    "\n"
    "Searches one camera of the recordings (files, or folders of them, played as\n"
    "one) for motion and prints each event: its first and last capture time and\n"
    "the largest share of the region that changed. Progress goes to stderr.\n"
    "\n"
    "  --region X,Y,W,H   the part of the picture searched, in its pixels (default: all)\n"
    "  --sensitivity N    1 (strong change only) to 10 (the faintest); default 5\n"
    "  --min-size P       the least share of the region that changes, percent; default 0.4\n"
    "  --min-duration MS  how long the change must last; default 1000\n"
    "  --camera N         from 1, as shown (default: the first camera with pictures)\n"
    "  --from, --to TIME  YYYY-MM-DD HH:MM:SS[.mmm]: search only this span\n"
    "  --keys-only        compare key pictures only: much faster, coarser\n"
    "  --threads N        decoder threads (default: one per core)\n"
    "  --no-cache         search again, and keep nothing\n"
    "  --json             one JSON object a line\n"
    "\n"
    "Exit status: 0 when the search finished, 1 when the camera has no picture\n"
    "in the span, 2 when a file cannot be read or the options are wrong.\n";

struct Parsed {
    MotionRequest request;
    bool json = false;
    bool useCache = true;
    QStringList paths;
};

std::optional<long long> Number(const QString& text, long long low, long long high) {
    bool ok = false;
    const long long value = text.toLongLong(&ok);
    if (!ok || value < low || value > high) return std::nullopt;
    return value;
}

// Fills `parsed` from the parser; returns a message for the user when an option is wrong.
std::optional<std::string> Read(const QCommandLineParser& parser, Parsed& parsed) {
    MotionSettings& s = parsed.request.settings;
    if (parser.isSet("region")) {
        const QStringList parts = parser.value("region").split(QLatin1Char(','));
        std::optional<long long> v[4];
        for (int i = 0; i < 4 && parts.size() == 4; ++i) v[i] = Number(parts[i].trimmed(), 0, 100000);
        if (parts.size() != 4 || !v[0] || !v[1] || !v[2] || !v[3] || *v[2] == 0 || *v[3] == 0) {
            return "--region wants X,Y,W,H in the picture's pixels, with W and H above 0";
        }
        s.region = {int(*v[0]), int(*v[1]), int(*v[2]), int(*v[3])};
    }
    if (parser.isSet("sensitivity")) {
        const auto v = Number(parser.value("sensitivity"), 1, 10);
        if (!v) return "--sensitivity wants a number from 1 to 10";
        s.sensitivity = int(*v);
    }
    if (parser.isSet("min-size")) {
        bool ok = false;
        const double v = parser.value("min-size").toDouble(&ok);
        if (!ok || v < 0 || v > 100) return "--min-size wants a percentage from 0 to 100";
        s.minSizePercent = v;
    }
    if (parser.isSet("min-duration")) {
        const auto v = Number(parser.value("min-duration"), 0, 24LL * 3600 * 1000);
        if (!v) return "--min-duration wants milliseconds, 0 or more";
        s.minDurationMs = *v;
    }
    if (parser.isSet("camera")) {
        const auto v = Number(parser.value("camera"), 1, 256);
        if (!v) return "--camera wants a camera number from 1 to 256";
        parsed.request.camera = int(*v - 1);
    }
    if (parser.isSet("threads")) {
        const auto v = Number(parser.value("threads"), 1, 64);
        if (!v) return "--threads wants a number from 1 to 64";
        parsed.request.threads = int(*v);
    }
    for (const char* name : {"from", "to"}) {
        if (!parser.isSet(name)) continue;
        const auto time = ParseCaptureTime(parser.value(name).toStdString());
        if (!time) return std::string("--") + name + " wants a time as YYYY-MM-DD HH:MM:SS[.mmm]";
        (std::string(name) == "from" ? parsed.request.fromMs : parsed.request.toMs) = CaptureMilliseconds(*time);
    }
    s.keysOnly = parser.isSet("keys-only");
    parsed.json = parser.isSet("json");
    parsed.useCache = !parser.isSet("no-cache");
    parsed.paths = parser.positionalArguments();
    if (parsed.paths.isEmpty()) return "--motion wants at least one recording";
    return std::nullopt;
}

std::string TimeText(std::int64_t ms) { return FormatCaptureTime(FromCaptureMilliseconds(ms)); }

void PrintEvent(std::ostream& out, bool json, const MotionEvent& e, bool keysOnly) {
    if (json) {
        const QJsonObject line{{"start", QString::fromStdString(TimeText(e.startMs))},
                               {"end", QString::fromStdString(TimeText(e.endMs))},
                               {"startMs", static_cast<qint64>(e.startMs)},
                               {"endMs", static_cast<qint64>(e.endMs)},
                               {"peakPercent", e.peakPercent},
                               {"keysOnly", keysOnly}};
        out << QJsonDocument(line).toJson(QJsonDocument::Compact).toStdString() << '\n';
        return;
    }
    out << TimeText(e.startMs) << "  to  " << TimeText(e.endMs) << "  peak " << std::fixed << std::setprecision(2)
        << e.peakPercent << " %" << (keysOnly ? "  (key pictures only)" : "") << '\n';
}

void PrintSummary(std::ostream& out, bool json, const MotionResult& r) {
    if (json) {
        const QJsonObject line{{"summary", QJsonObject{{"events", static_cast<qint64>(r.events.size())},
                                                       {"pictures", static_cast<qint64>(r.pictures)},
                                                       {"firstMs", static_cast<qint64>(r.firstMs)},
                                                       {"lastMs", static_cast<qint64>(r.lastMs)},
                                                       {"keysOnly", r.keysOnly},
                                                       {"cached", r.fromCache}}}};
        out << QJsonDocument(line).toJson(QJsonDocument::Compact).toStdString() << '\n';
        return;
    }
    out << r.events.size() << (r.events.size() == 1 ? " event in " : " events in ") << r.pictures
        << (r.keysOnly ? " key pictures (key pictures only, coarser)" : " pictures")
        << (r.fromCache ? ", from the cache" : "") << '\n';
}

}  // namespace

int runMotionCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    QCommandLineParser parser;
    parser.addOptions({{"motion", ""},
                       {"region", "", "X,Y,W,H"},
                       {"sensitivity", "", "N"},
                       {"min-size", "", "PERCENT"},
                       {"min-duration", "", "MS"},
                       {"camera", "", "N"},
                       {"from", "", "TIME"},
                       {"to", "", "TIME"},
                       {"threads", "", "N"},
                       {"keys-only", ""},
                       {"no-cache", ""},
                       {"json", ""},
                       {{"help", "h"}, ""}});
    QStringList arguments{QStringLiteral("korvane-probe")};
    for (const std::string& arg : args) arguments << QString::fromStdString(arg);
    Parsed parsed;
    std::optional<std::string> problem;
    if (!parser.parse(arguments)) {
        problem = parser.errorText().toStdString();
    } else if (parser.isSet("help")) {
        out << kUsage;
        return kChainComplete;
    } else {
        problem = Read(parser, parsed);
    }
    if (problem) {
        err << "korvane-probe: " << *problem << "\n\n" << kUsage;
        return kCannotRead;
    }

    const MotionCache cache(MotionCache::DefaultFolder());
    const std::atomic<bool> cancel{false};
    MotionRequest& request = parsed.request;
    for (const QString& path : parsed.paths) request.paths.push_back(path.toStdString());
    int shown = -1;
    ScanCallbacks callbacks;
    callbacks.progress = [&](std::int64_t done, std::int64_t total) {
        const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
        if (percent == shown) return;
        shown = percent;
        err << "progress: " << percent << "%\n";
    };
    callbacks.found = [&](const MotionEvent& e) { PrintEvent(out, parsed.json, e, request.settings.keysOnly); };
    const ScanOutcome outcome = SearchForMotion(request, parsed.useCache ? &cache : nullptr, cancel, callbacks);
    if (outcome.status != ScanStatus::Done) {
        err << "korvane-probe: " << outcome.message << '\n';
        return outcome.status == ScanStatus::NoPictures ? kChainBroken : kCannotRead;
    }
    PrintSummary(out, parsed.json, outcome.result);
    return kChainComplete;
}

}  // namespace korvane::probe
