#include "clip/ClipPartWriter.h"

#include <algorithm>
#include <filesystem>

#include "clip/ClipExporter.h"
#include "clip/Sha256.h"
#include "clip/VideoSetup.h"
#include "recording/TimeStamp.h"

namespace korvane {
namespace {

constexpr std::int64_t kLastPictureMs = 100;  // how long a lone last picture lasts
constexpr std::int64_t kLongestPacketMs = 10'000;

// "YYYY-MM-DDTHH:MM:SS.mmm000Z", as containers take a creation time.
std::string IsoTime(std::int64_t ms) {
    std::string text = FormatCaptureTime(FromCaptureMilliseconds(ms));
    text[10] = 'T';
    return text + "000Z";
}

std::int64_t Ms(const ClipRecord& r) { return r.entry.time; }

WrittenFile Written(const HashedOutput& file) { return {file.Path(), file.Size(), file.Sha256Hex()}; }

}  // namespace

ClipPartWriter::ClipPartWriter(PartSetup setup, std::vector<ClipRecord> video)
    : m_setup(std::move(setup)), m_video(std::move(video)) {
    m_nextPicture.resize(m_video.size());
    for (std::size_t i = m_video.size(); i-- > 0;)
        if (m_video[i].givesPicture()) m_pictureMs.push_back(Ms(m_video[i]));
    std::reverse(m_pictureMs.begin(), m_pictureMs.end());
    for (std::size_t i = 0, k = 0; i < m_video.size(); ++i) {
        m_nextPicture[i] = k;
        if (m_video[i].givesPicture()) ++k;
    }
    m_times = PlanPictureTimes(m_pictureMs);
}

bool ClipPartWriter::Fail(std::string message) {
    m_error = std::move(message);
    return false;
}

bool ClipPartWriter::Begin(OutputSet& outputs) {
    m_clipFile = outputs.Add(m_setup.path);
    m_timesFile = m_clipFile ? outputs.Add(TimesPath(m_setup.path)) : nullptr;
    if (m_timesFile == nullptr) return Fail(outputs.Error());
    m_rows.emplace(*m_timesFile);
    m_part.videoCodec = avcodec_get_name(m_setup.codec);
    m_part.audioCodec = !m_setup.soundRate                    ? "none"
                        : m_setup.recorded                     ? RecordedCodecName(m_setup.recorded->coding)
                        : m_setup.container == Container::Mp4 ? "aac"
                                                               : "pcm_s16le";
    if (m_setup.soundRate)
        m_part.soundNote = SoundNote(m_setup.recorded ? std::optional(m_setup.recorded->coding) : std::nullopt,
                                     m_part.audioCodec);
    m_part.picturesOutOfOrder = m_times.outOfOrder;
    // First and last by play order, leaving out pictures whose time is out of order.
    for (std::size_t k = 0; k < m_pictureMs.size(); ++k) {
        if (m_times.notes[k] == TimeNote::OutOfOrder) continue;
        if (m_part.firstTime.empty()) m_part.firstTime = FormatCaptureTime(FromCaptureMilliseconds(m_pictureMs[k]));
        m_part.lastTime = FormatCaptureTime(FromCaptureMilliseconds(m_pictureMs[k]));
    }
    return true;
}

bool ClipPartWriter::AddVideo(const FrameHeader& head, std::vector<std::uint8_t> data) {
    const std::size_t index = m_nextVideo++;
    if (index >= m_video.size()) return Fail("more video records than planned");
    if (m_started) return WriteVideo(index, head, std::make_shared<const std::vector<std::uint8_t>>(std::move(data)));
    m_held.push_back({true, head, std::move(data)});
    return !m_video[index].givesPicture() || Start();
}

bool ClipPartWriter::AddSound(const FrameHeader& head, std::vector<std::uint8_t> data) {
    if (!m_setup.soundRate) return true;
    if (!m_started) {
        m_held.push_back({false, head, std::move(data)});
        return true;
    }
    if (m_recorded) {
        if (!m_recorded->Add(m_muxer, head, data)) return Fail("cannot write the sound: " + m_muxer.Error());
        return true;
    }
    m_sound->Add(head, std::move(data));
    if (!m_sound->Drain(m_muxer)) return Fail("cannot write the sound: " + m_muxer.Error());
    return true;
}

bool ClipPartWriter::Start() {
    std::vector<std::vector<std::uint8_t>> opening;
    for (const Held& h : m_held)
        if (h.video) opening.push_back(h.data);
    const std::optional<VideoTrack> track = ProbeVideo(m_setup.codec, opening);
    if (!track) {
        m_unsupported = true;
        return Fail("the first picture of " + std::filesystem::path(m_setup.path).filename().string() +
                    " does not decode");
    }
    // Time 0: the first packet, a record in front of the first picture when one is a packet of its own.
    std::optional<std::int64_t> previous;
    m_baseMs = m_times.ptsMs.front();
    const NextPicture first{m_times.ptsMs.front(), m_pictureMs.front(), m_times.notes.front()};
    for (const Held& h : m_held) {
        if (!h.video || GivesPicture(h.head)) continue;
        const FeederPlace place =
            PlaceFeeder(CaptureMilliseconds(h.head.timeStamp), HoldsPicture(m_setup.codec, h.data), previous, first);
        if (place.ownPacket) {
            m_baseMs = std::min(m_baseMs, place.ptsMs);
            previous = place.ptsMs;
        }
    }
    const std::int64_t lastMs = *std::max_element(m_times.ptsMs.begin(), m_times.ptsMs.end());

    std::optional<AudioTrack> audio;
    if (m_setup.soundRate) {
        const int rate = *m_setup.soundRate;
        audio = m_setup.recorded ? RecordedTrack(*m_setup.recorded)
                                 : AudioTrack{AV_CODEC_ID_PCM_S16LE, rate, 0, {}, 16, 2};
        if (m_setup.container == Container::Mp4) {
            m_aac.emplace();
            if (!m_aac->Open(rate)) {
                m_unsupported = true;
                return Fail("the AAC encoder MP4 needs does not take sound of " + std::to_string(rate) +
                            " samples a second; a .mkv clip keeps it as recorded");
            }
            audio = AudioTrack{AV_CODEC_ID_AAC, rate, m_aac->FrameSize(), m_aac->Extradata()};
        }
    }
    AVIOContext* io = m_clipFile->Io();
    if (io == nullptr) return Fail("out of memory");
    // The clip lasts to the end of its last picture, which lasts as long as the one before it.
    const std::size_t pictures = m_times.ptsMs.size();
    const std::int64_t lastLength =
        pictures > 1 ? std::clamp<std::int64_t>(m_times.ptsMs[pictures - 1] - m_times.ptsMs[pictures - 2], 1,
                                                kLongestPacketMs)
                     : kLastPictureMs;
    const ClipTags tags{m_setup.title, IsoTime(m_baseMs), lastMs - m_baseMs + lastLength};
    if (!m_muxer.Open(io, m_setup.container, *track, audio, tags)) {
        m_unsupported = true;
        return Fail("cannot write " + m_setup.path + ": " + m_muxer.Error());
    }
    if (m_setup.recorded)
        m_recorded.emplace(*m_setup.recorded,
                           SoundTimes(m_baseMs, lastMs, audio->sampleRate, SamplesPerMillisecond(audio->sampleRate)));
    else if (audio)
        m_sound.emplace(m_aac ? &*m_aac : nullptr, m_baseMs, lastMs, audio->sampleRate);
    m_started = true;

    std::vector<Held> held = std::move(m_held);
    m_held.clear();
    std::size_t index = 0;
    for (Held& h : held) {
        const bool written =
            h.video ? WriteVideo(index++, h.head, std::make_shared<const std::vector<std::uint8_t>>(std::move(h.data)))
                    : AddSound(h.head, std::move(h.data));
        if (!written) return false;
    }
    return true;
}

bool ClipPartWriter::WriteVideo(std::size_t index, const FrameHeader& head, RowThread::Bytes bytes) {
    const std::vector<std::uint8_t>& data = *bytes;
    const ClipRecord& r = m_video[index];
    const std::size_t k = m_nextPicture[index];
    const bool picture = r.givesPicture();
    std::int64_t pts = 0;
    TimeNote note = TimeNote::None;
    bool ends = picture;
    if (picture) {
        pts = m_times.ptsMs[k];
        note = m_times.notes[k];
    } else {
        std::optional<NextPicture> next;
        if (k < m_pictureMs.size()) next = NextPicture{m_times.ptsMs[k], m_pictureMs[k], m_times.notes[k]};
        const FeederPlace place = PlaceFeeder(Ms(r), HoldsPicture(m_setup.codec, data), m_previousPts, next);
        pts = place.ptsMs;
        note = place.note;
        ends = place.ownPacket;
    }
    // A record that is a packet of its own goes to the muxer as it is; records that ride together are joined.
    const bool alone = ends && m_packet.empty();
    if (!alone) m_packet.insert(m_packet.end(), data.begin(), data.end());
    m_keyPending = m_keyPending || head.frameType == kFrameKey;
    m_rowsPending.emplace_back(TimesRow{index, head.timeStamp, 0,
                                        r.file < m_setup.sourceNames.size() ? m_setup.sourceNames[r.file] : std::string(),
                                        r.offset(), head.frameType, {}, TimeNoteText(note)},
                               std::move(bytes));
    ++m_part.records;
    if (!ends) return true;

    // A packet lasts until the next picture; the last one as long as the one before it.
    const std::size_t following = picture ? k + 1 : k;
    std::int64_t duration = following < m_times.ptsMs.size() ? m_times.ptsMs[following] - pts
                            : m_previousPts                   ? pts - *m_previousPts
                                                              : kLastPictureMs;
    duration = std::clamp<std::int64_t>(duration, 1, kLongestPacketMs);
    if (!m_muxer.WriteVideo(alone ? std::span<const std::uint8_t>(data) : std::span<const std::uint8_t>(m_packet),
                            pts - m_baseMs, duration, m_keyPending || m_firstPacket))
        return Fail("cannot write " + m_setup.path + ": " + m_muxer.Error());
    for (auto& [row, recordBytes] : m_rowsPending) {
        row.ptsMs = pts - m_baseMs;
        m_rows->Add(std::move(row), std::move(recordBytes));
    }
    m_rowsPending.clear();
    m_packet.clear();
    m_keyPending = false;
    m_firstPacket = false;
    m_previousPts = pts;
    if (picture) ++m_part.pictures;
    return true;
}

bool ClipPartWriter::Finish() {
    if (!m_started) return Fail("no picture of " + m_setup.path + " decodes");
    if (m_sound && !m_sound->Finish(m_muxer)) return Fail("cannot write the sound: " + m_muxer.Error());
    if (!m_muxer.Finish()) return Fail("cannot write " + m_setup.path + ": " + m_muxer.Error());
    if (!m_clipFile->Close()) return Fail(m_clipFile->Error());
    if (!m_rows->Finish() || !m_timesFile->Close()) return Fail("cannot write " + m_timesFile->Path());
    if (m_sound) {
        m_part.audioSamples = m_sound->Samples();
        m_part.soundOutOfOrder = m_sound->OutOfOrder();
        m_part.soundGapsNotFilled = m_sound->UnfilledGaps();
    }
    if (m_recorded) {
        m_part.audioSamples = m_recorded->Samples();
        m_part.soundOutOfOrder = m_recorded->OutOfOrder();
    }
    m_part.clip = Written(*m_clipFile);
    m_part.times = Written(*m_timesFile);
    return true;
}

}  // namespace korvane
