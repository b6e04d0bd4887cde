#include "app/IncidentExport.h"

#include <QCommandLineParser>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>

#include "app/BookmarkStore.h"
#include "clip/IncidentExport.h"
#include "recording/RecordingSet.h"
#include "recording/TimeStamp.h"

namespace korvane {
namespace {

int Refuse(const QString& why, const QCommandLineParser& parser) {
    std::fprintf(stderr, "korvane: %s\n\n%s", qPrintable(why), qPrintable(parser.helpText()));
    return 2;
}

}  // namespace

bool IsIncidentExport(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--export-incident") == 0) return true;
    return false;
}

int RunIncidentExport(int argc, char** argv) {
    // The report's pictures and text are painted without a window.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvane"));  // the window's data folder, with its bookmarks
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Exports the same span of several cameras into one folder."));
    const QCommandLineOption folder(QStringLiteral("export-incident"), QStringLiteral("The package's folder."),
                                    QStringLiteral("OUTDIR"));
    const QCommandLineOption from(QStringLiteral("from"), QStringLiteral("Start, a capture time."), QStringLiteral("TIME"));
    const QCommandLineOption to(QStringLiteral("to"), QStringLiteral("End, a capture time."), QStringLiteral("TIME"));
    const QCommandLineOption cameras(QStringLiteral("cameras"), QStringLiteral("Cameras from 1, as 1,3,4, or all."),
                                     QStringLiteral("LIST"), QStringLiteral("all"));
    const QCommandLineOption note(QStringLiteral("note"), QStringLiteral("A note for the manifest and the report."),
                                  QStringLiteral("TEXT"));
    const QCommandLineOption container(QStringLiteral("container"), QStringLiteral("mkv (default) or mp4."),
                                       QStringLiteral("TYPE"), QStringLiteral("mkv"));
    parser.addOptions({folder, from, to, cameras, note, container});
    parser.addPositionalArgument(QStringLiteral("PATH"), QStringLiteral("Recordings, or folders of them."), QStringLiteral("PATH..."));
    if (!parser.parse(app.arguments())) return Refuse(parser.errorText(), parser);
    if (parser.positionalArguments().isEmpty()) return Refuse(QStringLiteral("no recording given"), parser);

    IncidentRequest request;
    request.folder = parser.value(folder).toStdString();
    for (const QString& path : parser.positionalArguments()) request.paths.push_back(path.toStdString());
    for (const auto& [option, target] : {std::pair{&from, &request.fromMs}, std::pair{&to, &request.toMs}}) {
        if (!parser.isSet(*option)) continue;
        const auto time = ParseCaptureTime(parser.value(*option).toStdString());
        if (!time) return Refuse(QStringLiteral("a time is \"YYYY-MM-DD HH:MM:SS[.mmm]\""), parser);
        *target = CaptureMilliseconds(*time);
    }
    if (parser.value(cameras) != QStringLiteral("all")) {
        std::vector<int> list;
        for (const QString& item : parser.value(cameras).split(QLatin1Char(','))) {
            bool ok = false;
            const int camera = item.trimmed().toInt(&ok);
            if (!ok || camera < 1 || camera > 256) return Refuse(QStringLiteral("cameras count from 1: 1,2,5 or all"), parser);
            list.push_back(camera);
        }
        request.cameras = list;
    }
    request.note = parser.value(note).toStdString();
    request.extension = "." + parser.value(container).toStdString();
    // The bookmarks kept in the window for the same recordings; those in the span go into the package.
    BookmarkStore bookmarks;
    bookmarks.Use(RecordingPaths(request.paths));
    request.bookmarks = ManifestBookmarks(bookmarks.List());
    if (!bookmarks.Error().isEmpty()) std::fprintf(stderr, "korvane: %s\n", qPrintable(bookmarks.Error()));

    const IncidentResult result = ExportIncident(request);
    std::fputs((IncidentSummary(request, result) + "\n").c_str(), result.status == ExportStatus::Written ? stdout : stderr);
    return ExitStatus(result.status);
}

}  // namespace korvane
