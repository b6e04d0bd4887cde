#include "app/IncidentCommand.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <tuple>

#include "app/Actions.h"
#include "app/BookmarkStore.h"
#include "app/CameraLabel.h"
#include "app/IncidentDialog.h"
#include "playback/Session.h"
#include "recording/TimeStamp.h"

namespace korvane {
namespace {

QString TimeText(std::int64_t ms) { return QString::fromStdString(FormatCaptureTime(FromCaptureMilliseconds(ms))); }

// A new folder for the package in the user's documents, named after the incident's start.
QString SuggestedFolder(std::optional<std::int64_t> startMs) {
    QString base = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (base.isEmpty()) base = QDir::homePath();
    QString name = QStringLiteral("Incident");
    if (startMs) name += QLatin1Char(' ') + TimeText(*startMs).left(19).replace(QLatin1Char(':'), QLatin1Char('.'));
    QString folder = QDir(base).filePath(name);
    for (int n = 2; QFileInfo::exists(folder); ++n) folder = QDir(base).filePath(name + QStringLiteral(" (%1)").arg(n));
    return folder;
}

}  // namespace

IncidentCommand::IncidentCommand(QWidget& window, Actions& actions, Session& session, const BookmarkStore& bookmarks,
                                 Marks marks)
    : m_window(window), m_actions(actions), m_session(session), m_bookmarks(bookmarks),
      m_marks(std::move(marks)) {
    actions.Add(Command::ExportIncident, tr("Export &incident..."), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E)},
                tr("Export a span of several cameras with a manifest and a report"));
    connect(actions[Command::ExportIncident], &QAction::triggered, this, &IncidentCommand::Ask);
    qRegisterMetaType<korvane::IncidentResult>("korvane::IncidentResult");
    connect(&session, &Session::Opened, this, &IncidentCommand::ShowState);
    connect(&session, &Session::PictureCleared, this, &IncidentCommand::ShowState);
    ShowState();
}

// One export at a time, of recordings that are open.
void IncidentCommand::ShowState() {
    m_actions[Command::ExportIncident]->setEnabled(m_session.FileOpen() && !m_job.Running());
}

IncidentCommand::~IncidentCommand() = default;  // here, where the dialogs' types are complete

std::optional<std::pair<std::int64_t, std::int64_t>> IncidentCommand::WholeSpan() const {
    const auto& set = m_session.Set();
    if (!set || !m_session.IndexComplete()) return std::nullopt;
    std::optional<std::pair<std::int64_t, std::int64_t>> span;
    for (int camera : set->Cameras()) {
        const CameraTrack* track = set->Track(camera);
        const auto first = track ? track->First() : std::nullopt;
        const auto last = track ? track->Last() : std::nullopt;
        if (!first || !last) continue;
        const std::int64_t from = track->Entry(*first).time, to = track->Entry(*last).time;
        span = span ? std::pair{std::min(span->first, from), std::max(span->second, to)} : std::pair{from, to};
    }
    return span;
}

void IncidentCommand::Ask() {
    if (!m_session.FileOpen() || m_job.Running()) return;
    if (!m_dialog) {
        m_dialog = std::make_unique<IncidentDialog>(&m_window);
        connect(m_dialog.get(), &IncidentDialog::Chosen, this, &IncidentCommand::Start);
    }
    // Each end from its mark, else from the whole recordings.
    std::optional<std::int64_t> from, to;
    if (const auto whole = WholeSpan()) std::tie(from, to) = *whole;
    const auto [in, out] = m_marks();
    if (in) from = CaptureMilliseconds(*in);
    if (out) to = CaptureMilliseconds(*out);
    std::vector<IncidentDialog::Camera> cameras;
    for (int camera : m_session.Cameras()) cameras.push_back({camera, CameraLabel(m_session, camera)});
    m_dialog->Prepare(from ? TimeText(*from) : QString(), to ? TimeText(*to) : QString(), cameras, SuggestedFolder(from));
    m_dialog->open();
}

void IncidentCommand::Start(IncidentRequest request) {
    request.paths = m_session.Paths();
    request.bookmarks = ManifestBookmarks(m_bookmarks.List());
    const bool started = m_job.Start([this, request](const BackgroundJob::Progress& progress) -> std::function<void()> {
        IncidentResult result = ExportIncident(request, progress);
        return [this, result = std::move(result)] { Done(result); };
    });
    if (!started) return;
    ShowState();
    m_folder = QString::fromLocal8Bit(request.folder.c_str());
    m_progress = std::make_unique<QProgressDialog>(tr("Exporting the incident into %1").arg(m_folder), tr("Cancel"), 0, 1000,
                                                   &m_window);
    m_progress->setWindowTitle(tr("Export incident"));
    m_progress->setMinimumDuration(0);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    connect(&m_job, &BackgroundJob::Progressed, m_progress.get(), &QProgressDialog::setValue);
    connect(m_progress.get(), &QProgressDialog::canceled, &m_job, &BackgroundJob::Cancel);
    // Not modal: a modal dialog's setValue would run the event loop inside the progress call.
    m_progress->setWindowModality(Qt::NonModal);
    m_progress->show();
}

void IncidentCommand::Done(const IncidentResult& result) {
    if (m_progress) {
        m_progress->disconnect(&m_job);
        m_progress->hide();
        m_progress.reset();
    }
    if (result.status == ExportStatus::Written) {
        QString text = tr("Exported %1 pictures of %2 cameras into the folder %3:")
                           .arg(result.pictures)
                           .arg(result.cameras)
                           .arg(m_folder);
        for (const QString& file : QDir(m_folder).entryList(QDir::Files, QDir::Name)) text += QStringLiteral("\n    ") + file;
        text += tr("\n\nreport.pdf is for people; korvane-probe --verify manifest.json checks every file.");
        m_note = std::make_unique<QMessageBox>(QMessageBox::Information, tr("Export incident"), text, QMessageBox::Ok, &m_window);
        const QString folder = m_folder;
        connect(m_note->addButton(tr("Open folder"), QMessageBox::ActionRole), &QPushButton::clicked, this,
                [folder] { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); });
        m_note->open();
    } else if (result.status != ExportStatus::Cancelled) {
        QString why = QString::fromStdString(result.message);
        if (why.endsWith(QLatin1Char('.'))) why.chop(1);
        m_note = std::make_unique<QMessageBox>(QMessageBox::Warning, tr("Export incident"),
                                               tr("The incident was not exported: %1.\nNothing of it was written.").arg(why),
                                               QMessageBox::Ok, &m_window);
        m_note->open();
    }
    ShowState();
    emit Finished(result);
}

}  // namespace korvane
