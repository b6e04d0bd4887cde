// korvane: the player. Without a headless option it opens its window, with
// the recording named on the command line if there is one. The headless
// faces (--snapshot, --headless-play, --export, --export-incident) use the same engine without a
// widget. `korvane --help` lists the options; the man page has the details.
#include <QApplication>
#include <QCommandLineParser>
#include <QGuiApplication>

#include <cstdio>
#include <vector>
#include <memory>
#include <optional>
#include <string>

#include "app/Application.h"
#include "app/HeadlessPlay.h"
#include "app/IncidentExport.h"
#include "app/Snapshot.h"
#include "clip/ClipExporter.h"
#include "desktop/QtNotifier.h"
#include "desktop/Settings.h"
#include "media/CodecLog.h"
#include "recording/TimeStamp.h"

namespace {

// Exit status of a command line that cannot be used.
constexpr int kUsageStatus = 2;

// The options of every face; each names what it takes.
struct Options {
    QCommandLineOption snapshot{QStringLiteral("snapshot"), QStringLiteral("Writes the picture shown to a PNG and exits."), QStringLiteral("OUT.png")};
    QCommandLineOption headlessPlay{QStringLiteral("headless-play"), QStringLiteral("Plays to the end without a window, printing each picture.")};
    QCommandLineOption exportClip{QStringLiteral("export"), QStringLiteral("Exports one camera's pictures as recorded into Matroska or MP4."), QStringLiteral("OUT.mkv|OUT.mp4")};
    QCommandLineOption mode{QStringLiteral("mode"), QStringLiteral("With --headless-play: play, sound, back, fast or fastback."), QStringLiteral("MODE"), QStringLiteral("play")};
    QCommandLineOption speed{QStringLiteral("speed"), QStringLiteral("With --headless-play: fast level 0 to 5, playing at 2x to 64x."), QStringLiteral("LEVEL"), QStringLiteral("0")};
    QCommandLineOption camera{QStringLiteral("camera"), QStringLiteral("The camera, counted from 1."), QStringLiteral("N")};
    QCommandLineOption at{QStringLiteral("at"), QStringLiteral("Starts at the picture of this capture time."), QStringLiteral("TIME")};
    QCommandLineOption next{QStringLiteral("next"), QStringLiteral("Steps N pictures forward first."), QStringLiteral("N"), QStringLiteral("0")};
    QCommandLineOption previous{QStringLiteral("previous"), QStringLiteral("With --snapshot: then M pictures back."), QStringLiteral("M"), QStringLiteral("0")};
    QCommandLineOption size{QStringLiteral("size"), QStringLiteral("With --snapshot: scales the picture to fit PIXELS x PIXELS."), QStringLiteral("PIXELS"), QStringLiteral("0")};
    QCommandLineOption grid{QStringLiteral("grid"), QStringLiteral("With --snapshot and --headless-play: every camera side by side, on one clock.")};
    QCommandLineOption from{QStringLiteral("from"), QStringLiteral("With --export: the first capture time."), QStringLiteral("TIME")};
    QCommandLineOption to{QStringLiteral("to"), QStringLiteral("With --export: the last capture time."), QStringLiteral("TIME")};

    void AddTo(QCommandLineParser& parser) const {
        for (const QCommandLineOption* option :
             {&snapshot, &headlessPlay, &exportClip, &mode, &speed, &camera, &at, &next, &previous, &size, &grid, &from, &to})
            parser.addOption(*option);
    }
};

// A command line that cannot be used: why, and where the help is.
int Refuse(const QString& why) {
    std::fprintf(stderr, "korvane: %s\nTry 'korvane --help' for the options.\n", why.toLocal8Bit().constData());
    return kUsageStatus;
}

// The headless faces run without a display; the option decides before any application exists.
bool HeadlessRequested(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") break;
        for (const char* face : {"--snapshot", "--headless-play", "--export"})
            if (arg == face || arg.rfind(std::string(face) + "=", 0) == 0) return true;
    }
    return false;
}

std::optional<int> Count(const QString& text, int least, int most) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < least || value > most) return std::nullopt;
    return value;
}

void SetUp(QCommandLineParser& parser, const Options& options) {
    parser.setApplicationDescription(
        QStringLiteral("Plays the recordings of multi-camera digital video recorders.\n"
                       "TIME is a capture time, \"YYYY-MM-DD HH:MM:SS[.mmm]\"."));
    parser.addHelpOption();
    parser.addVersionOption();
    options.AddTo(parser);
    parser.addPositionalArgument(QStringLiteral("PATH"),
                                 QStringLiteral("Recordings or folders of them, opened as one session (--export: one recording)."),
                                 QStringLiteral("[PATH...]"));
}

int RunHeadless(const QCommandLineParser& parser, const Options& o) {
    const int faces = int(parser.isSet(o.snapshot)) + int(parser.isSet(o.headlessPlay)) + int(parser.isSet(o.exportClip));
    if (faces != 1) return Refuse(QStringLiteral("give one of --snapshot, --headless-play and --export."));
    std::vector<std::string> recordings;
    for (const QString& path : parser.positionalArguments()) recordings.push_back(path.toLocal8Bit().toStdString());
    if (recordings.empty()) return Refuse(QStringLiteral("name a recording, or a folder of recordings."));

    korvane::StartPoint start;
    if (parser.isSet(o.camera)) {
        const auto camera = Count(parser.value(o.camera), 1, 256);
        if (!camera) return Refuse(QStringLiteral("--camera takes a camera number from 1 to 256."));
        start.camera = *camera - 1;
    }
    const auto time = [&](const QCommandLineOption& option) -> std::optional<korvane::SystemTime> {
        const korvane::TimeReading reading = korvane::ReadCaptureTime(parser.value(option).toStdString());
        if (!reading.time)
            Refuse(QStringLiteral("--%1: %2.").arg(option.names().front(), QString::fromStdString(reading.error)));
        return reading.time;
    };
    if (parser.isSet(o.at)) {
        const auto at = time(o.at);
        if (!at) return kUsageStatus;
        start.at = korvane::CaptureMilliseconds(*at);
    }
    const auto next = Count(parser.value(o.next), 0, 1'000'000);
    if (!next) return Refuse(QStringLiteral("--next takes a number of pictures."));

    if (parser.isSet(o.exportClip)) {
        if (start.at) return Refuse(QStringLiteral("--export takes --from and --to, not --at."));
        if (recordings.size() != 1) return Refuse(QStringLiteral("--export takes one recording."));
        korvane::ExportRequest request;
        request.source = recordings.front();
        request.output = parser.value(o.exportClip).toLocal8Bit().toStdString();
        if (start.camera) request.camera = *start.camera + 1;
        for (const auto& [option, bound] : {std::pair{&o.from, &request.from}, std::pair{&o.to, &request.to}}) {
            if (!parser.isSet(*option)) continue;
            *bound = time(*option);
            if (!*bound) return kUsageStatus;
        }
        const korvane::ExportResult result = korvane::ExportClip(request);
        // The summary line of a written clip on stdout; why not on stderr.
        std::fputs((korvane::SummaryLine(request, result) + "\n").c_str(),
                   result.status == korvane::ExportStatus::Written ? stdout : stderr);
        return korvane::ExitStatus(result.status);
    }
    if (parser.isSet(o.headlessPlay)) {
        korvane::HeadlessPlayRequest request;
        request.recordings = recordings;
        request.start = start;
        request.next = *next;
        const QString mode = parser.value(o.mode);
        const std::pair<const char*, korvane::PlayMode> modes[] = {
            {"play", korvane::PlayMode::Play}, {"sound", korvane::PlayMode::PlaySound},
            {"back", korvane::PlayMode::BackPlay}, {"fast", korvane::PlayMode::FastPlay},
            {"fastback", korvane::PlayMode::FastBackPlay}};
        bool known = false;
        for (const auto& [name, value] : modes)
            if (mode == QLatin1String(name)) request.mode = value, known = true;
        if (!known) return Refuse(QStringLiteral("--mode is one of play, sound, back, fast and fastback."));
        const auto speed = Count(parser.value(o.speed), 0, 5);
        if (!speed) return Refuse(QStringLiteral("--speed takes a level from 0 to 5."));
        request.speed = *speed;
        request.grid = parser.isSet(o.grid);
        return korvane::RunHeadlessPlay(request);
    }
    korvane::SnapshotRequest request;
    request.outputPath = parser.value(o.snapshot).toLocal8Bit().toStdString();
    request.recordings = recordings;
    request.start = start;
    request.next = *next;
    const auto previous = Count(parser.value(o.previous), 0, 1'000'000);
    const auto size = Count(parser.value(o.size), 0, 4096);
    if (!previous) return Refuse(QStringLiteral("--previous takes a number of pictures."));
    if (!size) return Refuse(QStringLiteral("--size takes a number of pixels up to 4096."));
    request.previous = *previous;
    request.size = *size;
    request.grid = parser.isSet(o.grid);
    return korvane::RunSnapshot(request);
}

}  // namespace

int main(int argc, char** argv) {
    korvane::RouteCodecLogToDebugLog();
    // The incident export reads its own command line.
    if (korvane::IsIncidentExport(argc, argv)) return korvane::RunIncidentExport(argc, argv);
    const bool headless = HeadlessRequested(argc, argv);
    // No window and no widget headless: the offscreen platform serves fonts and painting.
    if (headless) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app = headless ? std::make_unique<QGuiApplication>(argc, argv)
                                                     : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));

    QCommandLineParser parser;
    const Options options;
    SetUp(parser, options);
    if (!parser.parse(QCoreApplication::arguments())) return Refuse(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("korvane %s\n", KORVANE_VERSION);
        return 0;
    }
    if (headless) return RunHeadless(parser, options);

    if (parser.positionalArguments().size() > 1) return Refuse(QStringLiteral("name at most one recording."));
    korvane::MoveOldSettings();
    korvane::QtNotifier notifier;
    korvane::Application session(notifier);
    if (!session.Start(parser.positionalArguments().value(0))) return 1;
    return app->exec();
}
