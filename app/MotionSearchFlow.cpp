#include "app/MotionSearchFlow.h"

#include "app/MotionSearchPanel.h"
#include "app/MotionSearchRunner.h"
#include "app/PlayerView.h"
#include "controls/Timeline.h"
#include "playback/Session.h"
#include "recording/TimeStamp.h"
#include "search/MotionCache.h"

namespace korvane {

MotionSearchFlow::MotionSearchFlow(Actions& a, const CommandHandler& handle, Session& session, PlayerView& view,
                                   Timeline& timeline, QWidget& window, const std::optional<SystemTime>& markIn,
                                   const std::optional<SystemTime>& markOut)
    : m_session(session), m_view(view), m_timeline(timeline), m_window(window), m_markIn(markIn), m_markOut(markOut) {
    a.Add(Command::MotionSearch, tr("Motion search..."), {QKeySequence(Qt::CTRL | Qt::Key_F)},
          tr("Find where something moved on the selected camera"));
    a.Add(Command::NextEvent, tr("Next motion event"), {Qt::Key_N}, tr("Go to the next motion event"));
    a.Add(Command::PreviousEvent, tr("Previous motion event"), {QKeySequence(Qt::SHIFT | Qt::Key_N)},
          tr("Go to the previous motion event"));
    handle(Command::MotionSearch, [this] { Show(); });
    handle(Command::NextEvent, [this] { GoToEvent(true); });
    handle(Command::PreviousEvent, [this] { GoToEvent(false); });
    // Events belong to the recording and camera they were found on.
    connect(&m_session, &Session::Opened, this, [this] { ShowEvents({}); });
}

MotionSearchFlow::~MotionSearchFlow() = default;

MotionSearchPanel* MotionSearchFlow::Show() {
    if (!m_panel) {
        m_runner = std::make_unique<MotionSearchRunner>(MotionCache::DefaultFolder());
        m_panel = std::make_unique<MotionSearchPanel>(&m_window);
        MotionSearchPanel* panel = m_panel.get();
        connect(panel, &MotionSearchPanel::StartRequested, this, &MotionSearchFlow::Start);
        connect(panel, &MotionSearchPanel::CancelRequested, m_runner.get(), &MotionSearchRunner::Cancel);
        connect(panel, &MotionSearchPanel::PickRegionRequested, this, [this] { m_view.PickRegion(true); });
        connect(panel, &MotionSearchPanel::WholePictureRequested, this, [this] { m_view.ShowRegion({}); });
        connect(&m_view, &PlayerView::RegionPicked, panel, [this, panel](QRect r) {
            const PictureHandle& shown = m_view.Shown();
            panel->SetRegion({r.x(), r.y(), r.width(), r.height(), shown ? shown->width : 0, shown ? shown->height : 0});
        });
        connect(m_runner.get(), &MotionSearchRunner::Progress, panel, &MotionSearchPanel::ShowProgress);
        connect(m_runner.get(), &MotionSearchRunner::Found, this, [this](const MotionEvent& event) {
            m_panel->Add(event);
            ShowEvents(m_panel->Events());
        });
        connect(m_runner.get(), &MotionSearchRunner::Finished, this,
                [this](ScanStatus status, const QString& message, bool fromCache) {
                    const auto count = m_panel->Events().size();
                    const QString done =
                        QStringLiteral("%1 event%2 found%3%4.")
                            .arg(count)
                            .arg(count == 1 ? "" : "s")
                            .arg(m_panel->Settings().keysOnly ? QStringLiteral(" on key pictures only (coarser)")
                                                              : QString())
                            .arg(fromCache ? QStringLiteral(", kept from the same search before") : QString());
                    m_panel->Ended(status == ScanStatus::Done ? done : message);
                });
        connect(panel, &MotionSearchPanel::EventChosen, this,
                [this](const MotionEvent& event) { m_session.SeekTo(event.startMs); });
    }
    m_panel->show();
    m_panel->raise();
    return m_panel.get();
}

void MotionSearchFlow::Start() {
    if (!m_session.FileOpen() || !m_runner || m_runner->Running()) return;
    MotionRequest request;
    request.paths = m_session.Paths();  // every recording of the session
    request.camera = m_session.SelectedCamera();
    request.settings = m_panel->Settings();
    if (m_panel->MarkedSpanOnly()) {
        if (m_markIn) request.fromMs = CaptureMilliseconds(*m_markIn);
        if (m_markOut) request.toMs = CaptureMilliseconds(*m_markOut);
    }
    ShowEvents({});
    m_panel->Started();
    m_runner->Start(request);
}

void MotionSearchFlow::ShowEvents(const std::vector<MotionEvent>& events) {
    std::vector<std::pair<std::int64_t, std::int64_t>> spans;
    for (const MotionEvent& e : events) spans.emplace_back(e.startMs, e.endMs);
    m_timeline.SetEvents(std::move(spans));
}

void MotionSearchFlow::GoToEvent(bool forward) {
    const auto now = m_session.CurrentTime();
    if (!m_panel || !now) return;
    std::optional<std::int64_t> target;
    for (const MotionEvent& e : m_panel->Events()) {
        if (forward && e.startMs > *now && (!target || e.startMs < *target)) target = e.startMs;
        if (!forward && e.startMs < *now && (!target || e.startMs > *target)) target = e.startMs;
    }
    if (target) m_session.SeekTo(*target);
}

}  // namespace korvane
