// FILE > Export incident...: the dialog, filled from the in and out marks (or
// the whole recordings) and the cameras of the recordings open; the export
// of the chosen span and cameras, with the set's bookmarks, off the GUI
// thread with a progress dialog whose Cancel stops it; and a message at the
// end that says where the package was written, or why it was not.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "app/BackgroundJob.h"
#include "clip/IncidentExport.h"
#include "recording/RecordLayout.h"

class QMessageBox;
class QProgressDialog;

namespace korvane {

class Actions;
class BookmarkStore;
class IncidentDialog;
class Session;

class IncidentCommand : public QObject {
    Q_OBJECT

public:
    using Marks = std::function<std::pair<std::optional<SystemTime>, std::optional<SystemTime>>()>;

    // Adds the command (ExportIncident) to `actions`; dialogs open over `window`.
    IncidentCommand(QWidget& window, Actions& actions, Session& session, const BookmarkStore& bookmarks, Marks marks);
    ~IncidentCommand() override;

    // Null until first shown.
    IncidentDialog* Dialog() const { return m_dialog.get(); }
    QProgressDialog* Progress() const { return m_progress.get(); }
    QMessageBox* Note() const { return m_note.get(); }

signals:
    void Finished(korvane::IncidentResult result);

private:
    void ShowState();
    void Ask();
    void Start(IncidentRequest request);
    void Done(const IncidentResult& result);
    // The first and last capture time of any camera: nothing until the whole index is read.
    std::optional<std::pair<std::int64_t, std::int64_t>> WholeSpan() const;

    QWidget& m_window;
    Actions& m_actions;
    Session& m_session;
    const BookmarkStore& m_bookmarks;
    Marks m_marks;
    BackgroundJob m_job;
    QString m_folder;  // of the export running or done last
    std::unique_ptr<IncidentDialog> m_dialog;
    std::unique_ptr<QProgressDialog> m_progress;
    std::unique_ptr<QMessageBox> m_note;
};

}  // namespace korvane
