// One clip of an export: the video records of one codec and the sound that
// plays with them (as recorded, or decoded on threads of its own), muxed as
// they arrive in play order. The records up to the
// first picture are held until it comes, to set the container's video track
// up from them; from then on every record is written as it comes.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "clip/ClipMuxer.h"
#include "clip/ClipReport.h"
#include "clip/ClipSound.h"
#include "clip/ClipSpan.h"
#include "clip/OutputSet.h"
#include "clip/PacketPlan.h"
#include "clip/RecordedSound.h"
#include "clip/RowThread.h"
#include "clip/SoundThread.h"

namespace korvane {

struct PartSetup {
    Container container = Container::Matroska;
    AVCodecID codec = AV_CODEC_ID_NONE;
    std::string path, title;
    std::optional<int> soundRate;  // nothing: no sound track
    std::optional<RecordedFormat> recorded;  // the sound goes in as recorded (Matroska); nothing: decoded
    std::vector<std::string> sourceNames;  // the recordings' file names, for the CSV
};

class ClipPartWriter {
public:
    // video: the part's video records in play order.
    ClipPartWriter(PartSetup setup, std::vector<ClipRecord> video);

    // Creates the files; false (with Error()) when they cannot be.
    bool Begin(OutputSet& outputs);
    // The part's next video record (in the order given) or a sound record: its head and data.
    bool AddVideo(const FrameHeader& head, std::vector<std::uint8_t> data);
    bool AddSound(const FrameHeader& head, std::vector<std::uint8_t> data);
    bool Finish();
    const ClipPart& Part() const { return m_part; }
    const std::string& Error() const { return m_error; }
    bool Unsupported() const { return m_unsupported; }

private:
    struct Held {
        bool video;
        FrameHeader head;
        std::vector<std::uint8_t> data;
    };
    bool Start();
    bool WriteVideo(std::size_t index, const FrameHeader& head, RowThread::Bytes data);
    bool Fail(std::string message);

    PartSetup m_setup;
    std::vector<ClipRecord> m_video;
    std::vector<std::size_t> m_nextPicture;  // per video record: its picture ordinal, or the next picture's
    std::vector<std::int64_t> m_pictureMs;
    PictureTimes m_times;
    std::size_t m_nextVideo = 0;
    std::vector<Held> m_held;  // until the muxer opens
    bool m_started = false;
    std::int64_t m_baseMs = 0;

    HashedOutput* m_clipFile = nullptr;
    HashedOutput* m_timesFile = nullptr;
    std::optional<RowThread> m_rows;
    ClipMuxer m_muxer;
    std::optional<AacEncoder> m_aac;
    std::optional<SoundThread> m_sound;
    std::optional<RecordedSound> m_recorded;
    std::vector<std::uint8_t> m_packet;
    std::vector<std::pair<TimesRow, RowThread::Bytes>> m_rowsPending;
    bool m_keyPending = false;
    bool m_firstPacket = true;
    std::optional<std::int64_t> m_previousPts;  // absolute

    ClipPart m_part;
    std::string m_error;
    bool m_unsupported = false;
};

}  // namespace korvane
