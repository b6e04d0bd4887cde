// Runs one clip export off the GUI thread (BackgroundJob): progress and the
// result come back to the thread that made the runner as signals; Cancel
// asks the export to stop, and the runner joins its thread before it goes.
#pragma once

#include <QObject>

#include "app/BackgroundJob.h"
#include "clip/ClipExporter.h"

namespace korvane {

class ClipExportRunner : public QObject {
    Q_OBJECT

public:
    explicit ClipExportRunner(QObject* parent = nullptr);

    // False while an export runs.
    bool Start(const ExportRequest& request);
    void Cancel() { m_job.Cancel(); }
    bool Running() const { return m_job.Running(); }

signals:
    void Progress(int permille);
    void Finished(korvane::ExportResult result);

private:
    BackgroundJob m_job;
};

}  // namespace korvane
