// Runs one incident export off the GUI thread: progress (for the whole
// incident) and the result come back to the thread that made the runner as
// signals; Cancel asks the export to stop (it then removes what it wrote),
// and the runner joins its thread before it goes.
#pragma once

#include <QObject>

#include <atomic>
#include <thread>

#include "clip/IncidentExport.h"
#include "platform/Mailbox.h"

namespace korvane {

class IncidentExportRunner : public QObject {
    Q_OBJECT

public:
    explicit IncidentExportRunner(QObject* parent = nullptr);
    ~IncidentExportRunner() override;

    // False while an export runs.
    bool Start(const IncidentRequest& request);
    void Cancel() { m_cancel = true; }
    bool Running() const { return m_thread.joinable(); }

signals:
    void Progress(int permille);
    void Finished(korvane::IncidentResult result);

private:
    void Done(const IncidentResult& result);

    Mailbox m_mailbox{this};  // progress and the result, handed to the runner's thread
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
};

}  // namespace korvane
