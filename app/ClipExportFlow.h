// The window's clip export: asks where to write the selected camera's clip
// between the in and out marks, runs it off the GUI thread with a progress
// dialog whose Cancel stops it, and tells how it ended: where the files
// went (with a button that opens the folder), or why nothing was written.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

#include "app/ClipExportRunner.h"
#include "recording/RecordLayout.h"

class QMessageBox;
class QProgressDialog;
class QSettings;
class QWidget;

namespace korvane {

class Session;

class ClipExportFlow : public QObject {
    Q_OBJECT

public:
    // The marks are read when an export starts; the engine, the window and
    // the marks must outlive the flow. `choices` keeps the folder chosen last.
    ClipExportFlow(Session& session, QWidget& window, const std::optional<SystemTime>& markIn,
                   const std::optional<SystemTime>& markOut, std::function<QSettings&()> choices);
    ~ClipExportFlow() override;

    // Asks for a file in the folder used last, then exports into it.
    void Ask();
    // Exports to path; false when nothing is open or an export runs.
    bool ExportTo(const QString& path);
    QProgressDialog* Progress() const { return m_progress.get(); }
    QMessageBox* Note() const { return m_note.get(); }

signals:
    void Finished(korvane::ExportResult result);

private:
    void Done(const ExportResult& result);

    Session& m_session;
    QWidget& m_window;
    const std::optional<SystemTime>& m_markIn;
    const std::optional<SystemTime>& m_markOut;
    std::function<QSettings&()> m_choices;
    ClipExportRunner m_runner;
    std::unique_ptr<QProgressDialog> m_progress;
    std::unique_ptr<QMessageBox> m_note;
    QString m_path;  // of the export running or done last
};

}  // namespace korvane
