// The window's motion search: its panel, the search running beside
// playback, the events as marks on the timeline, and N / Shift+N.
#include "app/Actions.h"
#include "app/MainWindow.h"
#include "app/MotionSearchPanel.h"
#include "app/MotionSearchRunner.h"
#include "app/PlayerView.h"
#include "controls/Timeline.h"
#include "recording/TimeStamp.h"
#include "search/MotionCache.h"

namespace korvane {

void MainWindow::BuildSearchCommands() {
    Actions& a = CommandActions();
    a.Add(Command::MotionSearch, tr("Motion search..."), {QKeySequence(Qt::CTRL | Qt::Key_F)},
          tr("Find where something moved on the selected camera"));
    a.Add(Command::NextEvent, tr("Next motion event"), {Qt::Key_N}, tr("Go to the next motion event"));
    a.Add(Command::PreviousEvent, tr("Previous motion event"), {QKeySequence(Qt::SHIFT | Qt::Key_N)},
          tr("Go to the previous motion event"));
    Handle(Command::MotionSearch, [this] { ShowMotionSearch(); });
    Handle(Command::NextEvent, [this] { GoToEvent(true); });
    Handle(Command::PreviousEvent, [this] { GoToEvent(false); });
    // Events belong to the recording and camera they were found on.
    connect(&m_player, &Player::Opened, this, [this] { ShowEvents({}); });
}

MotionSearchPanel* MainWindow::ShowMotionSearch() {
    if (!m_searchPanel) {
        m_searchRunner = std::make_unique<MotionSearchRunner>(MotionCache::DefaultFolder());
        m_searchPanel = std::make_unique<MotionSearchPanel>(this);
        MotionSearchPanel* panel = m_searchPanel.get();
        connect(panel, &MotionSearchPanel::StartRequested, this, &MainWindow::StartMotionSearch);
        connect(panel, &MotionSearchPanel::CancelRequested, m_searchRunner.get(), &MotionSearchRunner::Cancel);
        connect(panel, &MotionSearchPanel::PickRegionRequested, this, [this] { m_view->PickRegion(true); });
        connect(panel, &MotionSearchPanel::WholePictureRequested, this, [this] { m_view->ShowRegion({}); });
        connect(m_view, &PlayerView::RegionPicked, panel, [this, panel](QRect r) {
            const PictureHandle& shown = m_view->Shown();
            panel->SetRegion({r.x(), r.y(), r.width(), r.height(), shown ? shown->width : 0, shown ? shown->height : 0});
        });
        connect(m_searchRunner.get(), &MotionSearchRunner::Progress, panel, &MotionSearchPanel::ShowProgress);
        connect(m_searchRunner.get(), &MotionSearchRunner::Found, this, [this](const MotionEvent& event) {
            m_searchPanel->Add(event);
            ShowEvents(m_searchPanel->Events());
        });
        connect(m_searchRunner.get(), &MotionSearchRunner::Finished, this,
                [this](ScanStatus status, const QString& message, bool fromCache) {
                    const auto count = m_searchPanel->Events().size();
                    const QString done =
                        QStringLiteral("%1 event%2 found%3%4.")
                            .arg(count)
                            .arg(count == 1 ? "" : "s")
                            .arg(m_searchPanel->Settings().keysOnly ? QStringLiteral(" on key pictures only (coarser)")
                                                                    : QString())
                            .arg(fromCache ? QStringLiteral(", kept from the same search before") : QString());
                    m_searchPanel->Ended(status == ScanStatus::Done ? done : message);
                });
        connect(panel, &MotionSearchPanel::EventChosen, this,
                [this](const MotionEvent& event) { m_player.SeekTo(event.startMs); });
    }
    m_searchPanel->show();
    m_searchPanel->raise();
    return m_searchPanel.get();
}

void MainWindow::StartMotionSearch() {
    if (!m_player.FileOpen() || !m_searchRunner || m_searchRunner->Running()) return;
    MotionRequest request;
    request.paths = m_player.Paths();  // every recording of the session
    request.camera = m_player.SelectedCamera();
    request.settings = m_searchPanel->Settings();
    if (m_searchPanel->MarkedSpanOnly()) {
        if (m_markIn) request.fromMs = CaptureMilliseconds(*m_markIn);
        if (m_markOut) request.toMs = CaptureMilliseconds(*m_markOut);
    }
    ShowEvents({});
    m_searchPanel->Started();
    m_searchRunner->Start(request);
}

void MainWindow::ShowEvents(const std::vector<MotionEvent>& events) {
    std::vector<std::pair<std::int64_t, std::int64_t>> spans;
    for (const MotionEvent& e : events) spans.emplace_back(e.startMs, e.endMs);
    m_timeline->SetEvents(std::move(spans));
}

void MainWindow::GoToEvent(bool forward) {
    const auto now = m_player.CurrentTime();
    if (!m_searchPanel || !now) return;
    std::optional<std::int64_t> target;
    for (const MotionEvent& e : m_searchPanel->Events()) {
        if (forward && e.startMs > *now && (!target || e.startMs < *target)) target = e.startMs;
        if (!forward && e.startMs < *now && (!target || e.startMs > *target)) target = e.startMs;
    }
    if (target) m_player.SeekTo(*target);
}

}  // namespace korvane
