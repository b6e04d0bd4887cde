// korvane: the player. Without options it opens its window, with the
// recording named on the command line if there is one:
//   korvane [FILE]
// Headless interfaces:
//   korvane --snapshot OUT.png [--camera N] [--at TIME] [--next N] [--previous M] [--size PIXELS] PATH...
//   korvane --headless-play [--mode play|sound|back|fast|fastback] [--speed 0-5] [--camera N] [--at TIME]
//           [--next N] PATH...
//   korvane --export OUT.mkv|OUT.mp4 [--from TIME] [--to TIME] [--camera N] FILE
//   korvane --export-incident OUTDIR [--from TIME] [--to TIME] [--cameras LIST|all] [--note TEXT] PATH...
// TIME is a capture time, "YYYY-MM-DD HH:MM:SS[.mmm]"; cameras count from 1.
#include <QApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/Application.h"
#include "app/HeadlessPlay.h"
#include "app/IncidentExport.h"
#include "app/Snapshot.h"
#include "clip/ClipExporter.h"
#include "media/CodecLog.h"
#include "recording/TimeStamp.h"
#include "desktop/QtNotifier.h"
#include "recording/TimeStamp.h"

namespace {

void Usage() {
    std::fputs("usage: korvane [FILE]\n"
               "       korvane --snapshot OUT.png [--camera N] [--at TIME] [--next N] [--previous M] [--size PIXELS] PATH...\n"
               "       korvane --headless-play [--mode play|sound|back|fast|fastback] [--speed 0-5]\n"
               "               [--camera N] [--at TIME] [--next N] PATH...\n"
               "       korvane --export OUT.mkv|OUT.mp4 [--from TIME] [--to TIME] [--camera N] FILE\n"
               "       korvane --export-incident OUTDIR [--from TIME] [--to TIME] [--cameras LIST|all] [--note TEXT] PATH...\n"
               "TIME: \"YYYY-MM-DD HH:MM:SS[.mmm]\" (capture time); N: camera from 1\n",
               stderr);
}

// Options select a headless interface; a plain argument is a recording.
bool Headless(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--", 2) == 0) return true;
    }
    return false;
}

int RunDesktop(int argc, char** argv) {
    QApplication app(argc, argv);
    korvane::QtNotifier notifier;
    korvane::Application player(notifier);
    // Qt has taken its own options out of argv by now.
    if (!player.InitInstance(korvane::Application::JoinCommandLine(argc, argv))) return 1;
    return app.exec();
}

bool ParseCount(const char* text, int& out, long most = 1'000'000) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > most) return false;
    out = static_cast<int>(value);
    return true;
}

bool ParseMode(const char* text, korvane::PlayMode& mode) {
    using Mode = korvane::PlayMode;
    const struct {
        const char* name;
        Mode mode;
    } modes[] = {{"play", Mode::Play}, {"sound", Mode::PlaySound}, {"back", Mode::BackPlay},
                 {"fast", Mode::FastPlay}, {"fastback", Mode::FastBackPlay}};
    for (const auto& m : modes)
        if (std::strcmp(text, m.name) == 0) {
            mode = m.mode;
            return true;
        }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    korvane::RouteCodecLogToDebugLog();
    if (!Headless(argc, argv)) return RunDesktop(argc, argv);
    if (korvane::IsIncidentExport(argc, argv)) return korvane::RunIncidentExport(argc, argv);

    korvane::SnapshotRequest snapshot;
    korvane::HeadlessPlayRequest play;
    korvane::StartPoint start;
    korvane::ExportRequest exportClip;
    bool snapshotMode = false, playMode = false, exportMode = false;
    std::vector<std::string> recordings;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(arg, "--snapshot") == 0 && hasValue) {
            snapshotMode = true;
            snapshot.outputPath = argv[++i];
        } else if (std::strcmp(arg, "--export") == 0 && hasValue) {
            exportMode = true;
            exportClip.output = argv[++i];
        } else if ((std::strcmp(arg, "--from") == 0 || std::strcmp(arg, "--to") == 0) && hasValue) {
            const auto time = korvane::ParseCaptureTime(argv[++i]);
            if (!time) return Usage(), 2;
            (arg[2] == 'f' ? exportClip.from : exportClip.to) = time;
        } else if (std::strcmp(arg, "--headless-play") == 0) {
            playMode = true;
        } else if (std::strcmp(arg, "--next") == 0 && hasValue) {
            if (!ParseCount(argv[++i], snapshot.next)) return Usage(), 2;
            play.next = snapshot.next;
        } else if (std::strcmp(arg, "--previous") == 0 && hasValue) {
            if (!ParseCount(argv[++i], snapshot.previous)) return Usage(), 2;
        } else if (std::strcmp(arg, "--size") == 0 && hasValue) {
            if (!ParseCount(argv[++i], snapshot.size, 4096)) return Usage(), 2;
        } else if (std::strcmp(arg, "--mode") == 0 && hasValue) {
            if (!ParseMode(argv[++i], play.mode)) return Usage(), 2;
        } else if (std::strcmp(arg, "--camera") == 0 && hasValue) {
            int camera = 0;
            if (!ParseCount(argv[++i], camera, 256) || camera < 1) return Usage(), 2;
            start.camera = camera - 1;
        } else if (std::strcmp(arg, "--at") == 0 && hasValue) {
            const auto time = korvane::ParseCaptureTime(argv[++i]);
            if (!time) return Usage(), 2;
            start.at = korvane::CaptureMilliseconds(*time);
        } else if (std::strcmp(arg, "--speed") == 0 && hasValue) {
            if (!ParseCount(argv[++i], play.speed, 5)) return Usage(), 2;
        } else if (arg[0] == '-' && arg[1] == '-') {
            return Usage(), 2;
        } else {
            recordings.emplace_back(arg);
        }
    }
    if (int(snapshotMode) + int(playMode) + int(exportMode) != 1 || recordings.empty()) return Usage(), 2;
    if (exportMode) {
        if (start.at || recordings.size() != 1) return Usage(), 2;
        if (start.camera) exportClip.camera = *start.camera + 1;
        exportClip.source = recordings.front();
        const korvane::ExportResult result = korvane::ExportClip(exportClip);
        // The summary line of a written clip on stdout; why not on stderr.
        std::fputs((korvane::SummaryLine(exportClip, result) + "\n").c_str(),
                   result.status == korvane::ExportStatus::Written ? stdout : stderr);
        return korvane::ExitStatus(result.status);
    }

    // No window and no widget: the offscreen platform serves fonts and painting.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (playMode) {
        play.recordings = recordings;
        play.start = start;
        return korvane::RunHeadlessPlay(play);
    }
    snapshot.recordings = recordings;
    snapshot.start = start;
    return korvane::RunSnapshot(snapshot);
}
