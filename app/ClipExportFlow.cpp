#include "app/ClipExportFlow.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QUrl>

#include "playback/Session.h"

namespace korvane {
namespace {

const QString kClipFolderKey = QStringLiteral("Export/ClipFolder");
const char* const kTitle = "Korvane";

}  // namespace

ClipExportFlow::ClipExportFlow(Session& session, QWidget& window, const std::optional<SystemTime>& markIn,
                               const std::optional<SystemTime>& markOut, std::function<QSettings&()> choices)
    : m_session(session), m_window(window), m_markIn(markIn), m_markOut(markOut), m_choices(std::move(choices)) {
    connect(&m_runner, &ClipExportRunner::Finished, this, &ClipExportFlow::Done);
}

ClipExportFlow::~ClipExportFlow() = default;

void ClipExportFlow::Ask() {
    if (!m_session.FileOpen() || m_runner.Running()) return;
    const QString folder = m_choices().value(kClipFolderKey, QDir::homePath()).toString();
    QString name = QStringLiteral("CAM%1").arg(m_session.SelectedCamera() + 1);
    if (const QString site = QString::fromLocal8Bit(m_session.SiteName().c_str()); !site.isEmpty())
        name = site + QLatin1Char('_') + name;
    const QString path = QFileDialog::getSaveFileName(&m_window, QStringLiteral("Export clip"),
                                                      QDir(folder).filePath(name + QStringLiteral(".mkv")),
                                                      QStringLiteral("Matroska (*.mkv);;MP4 (*.mp4)"));
    if (path.isEmpty()) return;
    m_choices().setValue(kClipFolderKey, QFileInfo(path).absolutePath());
    ExportTo(path);
}

bool ClipExportFlow::ExportTo(const QString& path) {
    if (!m_session.FileOpen()) return false;
    ExportRequest request;
    request.source = m_session.FilePath();
    request.output = path.toLocal8Bit().toStdString();
    request.from = m_markIn;
    request.to = m_markOut;
    request.camera = m_session.SelectedCamera() + 1;
    if (!m_runner.Start(request)) return false;
    m_path = path;
    m_progress = std::make_unique<QProgressDialog>(QStringLiteral("Exporting ") + QFileInfo(path).fileName(),
                                                   QStringLiteral("Cancel"), 0, 1000, &m_window);
    m_progress->setWindowTitle(QString::fromLatin1(kTitle));
    m_progress->setMinimumDuration(0);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    connect(&m_runner, &ClipExportRunner::Progress, m_progress.get(), &QProgressDialog::setValue);
    connect(m_progress.get(), &QProgressDialog::canceled, &m_runner, &ClipExportRunner::Cancel);
    // Not modal: a modal dialog's setValue would run the event loop inside the progress call.
    m_progress->setWindowModality(Qt::NonModal);
    m_progress->show();
    return true;
}

void ClipExportFlow::Done(const ExportResult& result) {
    if (m_progress) {
        m_progress->disconnect(&m_runner);
        m_progress->hide();
        m_progress.reset();
    }
    if (result.status == ExportStatus::Written) {
        // Where the files went, and a button that opens that folder.
        const QString folder = QFileInfo(m_path).absolutePath();
        QString text = tr("Exported %1 pictures from %2 to %3 into the folder %4:")
                           .arg(result.pictures)
                           .arg(QString::fromStdString(result.firstTime), QString::fromStdString(result.lastTime),
                                folder);
        const std::string output = m_path.toLocal8Bit().toStdString();
        for (const std::string& file : {output, TimesPath(output), ReportPath(output)})
            text += QStringLiteral("\n    ") + QFileInfo(QString::fromLocal8Bit(file.c_str())).fileName();
        m_note = std::make_unique<QMessageBox>(QMessageBox::Information, QString::fromLatin1(kTitle), text,
                                               QMessageBox::Ok, &m_window);
        QPushButton* open = m_note->addButton(tr("Open folder"), QMessageBox::ActionRole);
        connect(open, &QPushButton::clicked, this, [folder] { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); });
        m_note->open();
    } else if (result.status != ExportStatus::Cancelled) {
        m_note = std::make_unique<QMessageBox>(QMessageBox::Warning, QString::fromLatin1(kTitle),
                                               QString::fromLocal8Bit(result.message.c_str()), QMessageBox::Ok,
                                               &m_window);
        m_note->open();
    }
    emit Finished(result);
}

}  // namespace korvane
