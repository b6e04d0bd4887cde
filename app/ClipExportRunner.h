// Runs one clip export off the GUI thread: progress and the result come back
// to the thread that made the runner as queued signals; Cancel asks the
// export to stop, and the runner joins its thread before it goes.
#pragma once

#include <QObject>

#include <atomic>
#include <thread>

#include "clip/ClipExporter.h"
#include "platform/Mailbox.h"

namespace korvane {

class ClipExportRunner : public QObject {
    Q_OBJECT

public:
    explicit ClipExportRunner(QObject* parent = nullptr);
    ~ClipExportRunner() override;

    // False while an export runs.
    bool Start(const ExportRequest& request);
    void Cancel() { m_cancel = true; }
    bool Running() const { return m_thread.joinable(); }

signals:
    void Progress(int permille);
    void Finished(korvane::ExportResult result);

private:
    void Done(const ExportResult& result);

    Mailbox m_mailbox{this};  // progress and the result, handed to the runner's thread
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
};

}  // namespace korvane
