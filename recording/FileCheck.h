// Why a file gives the player nothing to show, in a sentence for the user:
// it cannot be read, it is empty, it is another kind of file (an ordinary
// video file is named by its type), it is cut short, or it is a recording
// without a picture of the camera asked for.
#pragma once

#include <string>
#include <vector>

namespace korvane {

enum class FileTrouble {
    None,           // a recording with pictures of the camera
    Unreadable,     // the operating system refuses to open or read it
    Empty,          // zero bytes
    OrdinaryVideo,  // a video file of a common container (ISO MP4, Matroska, ...)
    NotRecording,   // some other file
    CutShort,       // a recording that ends before a header or a first whole record
    NoPicture,      // a recording without a picture of the camera
};

struct FileCheck {
    FileTrouble trouble = FileTrouble::None;
    std::string sentence;      // empty for None
    std::vector<int> cameras;  // of a recording: the cameras with pictures (0-based)
};

// Looks at the file's first bytes and, for a recording, walks its records.
// `camera` is the one the player would show (0-based).
FileCheck CheckFile(const std::string& path, int camera);

}  // namespace korvane
