// korvane-probe --verify MANIFEST: checks an incident package against its
// manifest.json. Every file the manifest lists (beside the manifest) is
// hashed, and each source recording found at its path or beside the
// manifest; one line a file, OK or what differs, then a summary.
#pragma once

#include <iosfwd>
#include <string>

namespace korvane::probe {

// 0 all match, 1 something differs or is missing, 2 the manifest cannot be read.
int VerifyManifest(const std::string& manifestPath, std::ostream& out, std::ostream& err);

}  // namespace korvane::probe
