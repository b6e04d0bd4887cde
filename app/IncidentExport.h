// korvane --export-incident OUTDIR [--from TIME] [--to TIME] [--cameras LIST|all]
//         [--note TEXT] [--container mkv|mp4] PATH...
// The bookmarks the window keeps for the same recordings go into the package.
// Exit status: 0 written, 1 no picture in the span, 2 a source cannot be
// opened, OUTDIR cannot be written, or the command line is wrong.
#pragma once

namespace korvane {

bool IsIncidentExport(int argc, char** argv);
int RunIncidentExport(int argc, char** argv);

}  // namespace korvane
