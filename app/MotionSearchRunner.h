// Runs one motion search off the GUI thread while the user goes on
// watching: progress, each event as it is found, and the end come back to
// the runner's thread as signals. Cancel stops the search (nothing is kept);
// the runner joins its thread before it goes.
#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <thread>

#include "platform/Mailbox.h"
#include "search/MotionSearch.h"

namespace korvane {

class MotionSearchRunner : public QObject {
    Q_OBJECT

public:
    // Finished searches are kept in (and read from) cacheFolder.
    explicit MotionSearchRunner(QString cacheFolder, QObject* parent = nullptr);
    ~MotionSearchRunner() override;

    // False while a search runs.
    bool Start(const MotionRequest& request);
    void Cancel() { m_cancel = true; }
    bool Running() const { return m_thread.joinable(); }

signals:
    void Progress(int permille);
    void Found(korvane::MotionEvent event);
    // Done, cancelled or refused; the message says why when not done.
    void Finished(korvane::ScanStatus status, QString message, bool fromCache);

private:
    void Done(ScanStatus status, const QString& message, bool fromCache);

    MotionCache m_cache;
    Mailbox m_mailbox{this};
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
};

}  // namespace korvane
