#include "playback/Session.h"

#include <algorithm>
#include <thread>

#include "playback/PlaybackRun.h"
#include "recording/FileCheck.h"
#include "recording/RecordFile.h"
#include "recording/SiteInfo.h"

namespace korvane {
namespace {

// Records of each recording read before the first picture is shown (a few
// seconds of pictures); the complete index follows in the background, so a
// folder of many recordings shows its first picture about as soon as one.
constexpr std::size_t kQuickRecords = 256;

// The file header, when the file opens and holds a whole one.
std::optional<RecordingFileHeader> ReadHeader(const std::string& path) {
    RecordFile file;
    RecordingFileHeader header;
    if (file.Open(path) != 0 || !file.ReadAt(0, header.bytes)) return std::nullopt;
    return header;
}

}  // namespace

void Session::PostedNotifier::ShowMessage(std::string_view text) {
    m_session.m_mailbox.Post([session = &m_session, text = std::string(text)] { session->Say(text); });
}

Session::Session(std::unique_ptr<TimeSource> time, QObject* parent)
    : QObject(parent), m_time(time ? std::move(time) : std::make_unique<SteadyTimeSource>()), m_clock(*m_time) {}

Session::Session(Notifier& notifier, std::unique_ptr<TimeSource> time) : Session(std::move(time)) {
    connect(this, &Session::Message, this, [&notifier](const QString& text) { notifier.ShowMessage(text.toStdString()); });
}

Session::~Session() {
    blockSignals(true);  // nobody is told of a stop while the engine goes
    Stop();
    m_indexBuilder.Cancel();
}

void Session::Say(const std::string& text) { emit Message(QString::fromStdString(text)); }

void Session::SetTitle(const std::string& title) {
    m_title = QString::fromLocal8Bit(title.data(), static_cast<qsizetype>(title.size()));
    emit TitleChanged(m_title);
}

// "site : camera" from mp4info.txt: at first the camera the file header
// names, after a switch the selected one.
void Session::UpdateTitle(bool switched) {
    std::string site, camera;
    if (!LookUpSiteInfo(m_header, m_filePath, site, camera)) return;
    SetTitle(site + " : " + (switched ? CameraName(m_camera) : camera));
}

void Session::SetMode(PlayMode mode) {
    if (mode == m_mode) return;
    m_mode = mode;
    emit ModeChanged(mode);
}

void Session::ClearPicture() {
    m_current.reset();
    m_shown.reset();
    emit PictureCleared();
}

void Session::NoPictures(int camera) {
    Say("This recording holds no pictures of camera " + std::to_string(camera + 1) + ".");
}

CameraStream& Session::Stream(int camera) {
    auto& stream = m_streams[camera];
    if (!stream) stream = std::make_unique<CameraStream>(m_paths, camera, m_cache, m_worker.StopFlag());
    stream->SetTrack(m_set ? m_set->Track(camera) : nullptr);
    // A camera shown alone may use more than a core; side by side the cameras share them.
    static const int cores = int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    stream->SetDecoderThreads(m_tiles.List().size() > 1 ? 1 : cores);
    return *stream;
}

std::string Session::Caption() const {
    if (m_current) return m_current->caption;
    const auto it = m_streams.find(m_camera);
    return it == m_streams.end() ? std::string{} : it->second->Caption();
}

// --- opening ------------------------------------------------------------------

bool Session::Open(const std::vector<std::string>& paths) {
    Stop();
    m_indexBuilder.Cancel();
    ++m_indexRun;
    m_given = paths;
    m_paths.clear();
    m_streams.clear();
    m_cache.Clear();
    m_set.reset();
    m_complete = false;
    const std::vector<std::string> found = RecordingPaths(paths);
    m_filePath = !found.empty() ? found.front() : !paths.empty() ? paths.front() : std::string{};
    SetTitle(m_filePath);
    for (const std::string& path : found) {
        const auto header = ReadHeader(path);
        if (!header) {
            Say(CheckFile(path, m_camera).sentence);
            continue;
        }
        if (m_paths.empty()) m_header = *header;  // the first recording names the camera and the site
        m_paths.push_back(path);
    }
    if (found.empty() && !paths.empty()) Say("There is no recording in " + paths.front() + ".");
    if (m_paths.empty()) {
        ClearPicture();
        return false;
    }
    m_filePath = m_paths.front();
    m_tiles.ClearPictures();
    auto quick = RecordingSet::Build(m_paths, nullptr, {}, kQuickRecords);
    m_quickWhole = true;
    for (std::uint32_t f = 0; f < quick->FileCount(); ++f)
        if (quick->Index(f) && quick->Index(f)->Size() >= kQuickRecords) m_quickWhole = false;
    UseSet(std::make_shared<const RecordingSet>(std::move(*quick)));
    m_sound.SetPaths(m_paths);
    m_keyPictures.Open(m_paths);
    const int headerCamera = m_header.headerCamera();
    m_camera = headerCamera >= 0 ? headerCamera : 0;
    m_tiles.Show({}, m_camera);
    // A recording with nothing to show is open, but not announced (nor remembered as opened).
    if (ShowFirstPicture() || !m_quickWhole || !Cameras().empty())
        emit Opened(QString::fromLocal8Bit(paths.front().data(), static_cast<qsizetype>(paths.front().size())));
    StartIndex();
    return true;
}

bool Session::OpenCommandLine(const std::string& commandLine) {
    if (commandLine.empty()) return false;
    std::string path = commandLine;
    if (path.front() == '"') path = path.size() >= 2 ? path.substr(1, path.size() - 2) : std::string{};
    return Open(path);
}

bool Session::Reload() { return !m_given.empty() && Open(m_given); }

bool Session::ShowFirstPicture() {
    Stop();
    const CameraTrack* track = Track();
    // The first key picture, or the first picture after a record that primes the decoder.
    std::optional<RecordRef> first;
    bool primed = false;
    for (auto at = track ? track->Front() : std::nullopt; at && !first; at = track->NextVideo(*at, false)) {
        const IndexEntry& e = track->Entry(*at);
        if (e.IsPicture() && (primed || e.frameType == kFrameKey)) first = at;
        primed = primed || e.frameType == kFrameDecoderOnly;
    }
    const int status = first ? ShowRecord(*first, CameraStream::Walk::TargetOnly) : 0;
    UpdateTitle(false);
    if (status == 1) {
        PositionOthers();
        return true;
    }
    ClearPicture();
    // A quick look that did not reach the end of every recording leaves it to
    // the complete index, and so does a recording with pictures of another camera.
    if (status != kCodecUnknown && (m_complete || m_quickWhole) && Cameras().empty())
        Say(CheckFile(m_filePath, m_camera).sentence);
    return false;
}

// --- showing ------------------------------------------------------------------

int Session::ShowRecord(RecordRef ref, CameraStream::Walk walk) {
    int status = 0;
    const DecodedHandle picture = Stream(m_camera).Exact(ref, walk, status);
    if (status == kCodecUnknown) {
        Say(kIncorrectCodecText);
        return status;
    }
    if (!picture) return 0;
    Present(ref, picture, m_converter);
    return 1;
}

void Session::Present(RecordRef ref, const DecodedHandle& picture, PictureConverter& converter) {
    PictureHandle shown = m_tiles.Convert(m_camera, *picture, converter, m_time->Now());
    if (!shown) return;
    if (&converter == &m_converter) {
        Deliver(ref, std::move(shown));
    } else {
        m_mailbox.Post([this, ref, shown = std::move(shown)]() mutable { Deliver(ref, std::move(shown)); });
    }
}

void Session::Deliver(RecordRef ref, PictureHandle picture) {
    m_shown = ref;
    m_current = std::move(picture);
    m_tiles.SetPicture(m_camera, ref, m_current);
    emit PictureShown(m_current);
    emit CameraPictureShown(m_current);
}

bool Session::StepForward() {
    if (IsPlaying()) return false;  // the worker owns the streams
    Stop();  // the other cameras move with this one (and a complete index arriving meanwhile is taken)
    const CameraTrack* track = Track();
    if (!track) return true;
    if (!m_shown) return ShowFirstPicture();
    for (auto at = track->NextVideo(*m_shown, false); at; at = track->NextVideo(*at, false)) {
        if (track->Entry(*at).IsPicture()) {
            if (ShowRecord(*at, CameraStream::Walk::TargetOnly) == 1) PositionOthers();
            return true;
        }
        int status = 0;
        Stream(m_camera).Exact(*at, CameraStream::Walk::TargetOnly, status);  // feeds the decoder
        if (status == kCodecUnknown) return Say(kIncorrectCodecText), true;
    }
    return true;
}

bool Session::StepBack() {
    if (IsPlaying()) return false;
    Stop();
    const CameraTrack* track = Track();
    if (!track || !m_shown) return true;
    if (const auto previous = track->PreviousVideo(*m_shown, true))
        if (ShowRecord(*previous, CameraStream::Walk::KeepGroup) == 1) PositionOthers();
    return true;
}

// --- modes --------------------------------------------------------------------

int Session::RateOf(PlayMode mode) const {
    switch (mode) {
        case PlayMode::BackPlay: return -1;
        case PlayMode::FastPlay: return FastMultiple(m_fastSpeed);
        case PlayMode::FastBackPlay: return -FastMultiple(m_fastSpeed);
        default: return 1;
    }
}

bool Session::Start(PlayMode mode) {
    if (mode == PlayMode::Play && m_soundOn) mode = PlayMode::PlaySound;
    if (mode == PlayMode::Idle || !m_set || !m_shown || !Track()) return false;
    if (mode == m_mode) return false;  // that mode already plays
    Stop();
    CameraStream& stream = Stream(m_camera);
    const RecordRef from = *m_shown;
    const int rate = RateOf(mode);
    SoundFeed* sound = mode == PlayMode::PlaySound ? &m_sound.Feed() : nullptr;
    const unsigned run = ++m_run;
    // The clock runs before any stream starts, so that the followers start at the lead's moment.
    m_clock.Set(Track()->Entry(from).time);
    m_clock.Run(rate);
    std::vector<std::function<void()>> loops = Followers(rate);
    PlaybackRun::Hooks hooks;
    PictureConverter& converter = m_tiles.ConverterOf(m_camera);
    hooks.show = [this, &converter](RecordRef ref, const DecodedHandle& picture) { Present(ref, picture, converter); };
    hooks.rate = [this](double reached) { m_mailbox.Post([this, reached] { emit RateReached(reached); }); };
    hooks.codecFailure = [this] { m_posted.ShowMessage(kIncorrectCodecText); };
    if (!loops.empty()) {
        hooks.without = FollowerHooks(m_camera).without;
        hooks.nearest = [this](std::int64_t time, bool forward) {
            return m_tiles.NearestOther(*m_set, m_camera, time, forward);
        };
    }
    loops.insert(loops.begin(), [this, &stream, from, rate, sound, run, hooks = std::move(hooks)]() mutable {
        PlaybackRun(stream, m_clock, m_worker.StopFlag(), std::move(hooks)).Run(from, rate, sound);
        m_mailbox.Post([this, run] { RunEnded(run); });
    });
    if (!m_worker.Start(std::move(loops))) return false;
    SetMode(mode);
    return true;
}

void Session::Stop() {
    ++m_run;  // an end the stopped run has posted is not playback's end any more
    m_worker.Stop();
    ++m_stopping;       // what the drained work does must not start a run again
    m_mailbox.Drain();  // the pictures the run showed arrive before anything after the stop
    --m_stopping;
    m_worker.Stop();  // nothing the drained work did may keep a thread on the streams
    m_clock.Pause();
    SetMode(PlayMode::Idle);
}

void Session::RunEnded(unsigned run) {
    if (run != m_run) return;  // stopped before its end arrived
    m_worker.Stop();           // the run has returned: this only joins it
    m_clock.Pause();
    SetMode(PlayMode::Idle);
    emit PlaybackEnded();
}

void Session::SetSound(bool on) {
    m_soundOn = on;
    emit SoundChanged(on);
    // Playing goes on from the same moment, with or without sound.
    if (Resumable() == PlayMode::Play || Resumable() == PlayMode::PlaySound) {
        Stop();
        Start(PlayMode::Play);
    }
}

void Session::SetFastSpeed(int level) {
    m_fastSpeed = level < 0 ? 0 : level > 5 ? 5 : level;
    if (Resumable() == PlayMode::FastPlay || Resumable() == PlayMode::FastBackPlay) {
        const PlayMode mode = m_mode;
        Stop();
        Start(mode);
    }
}

}  // namespace korvane
