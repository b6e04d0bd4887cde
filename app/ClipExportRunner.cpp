#include "app/ClipExportRunner.h"

namespace korvane {

ClipExportRunner::ClipExportRunner(QObject* parent) : QObject(parent) {
    qRegisterMetaType<korvane::ExportResult>("korvane::ExportResult");
}

ClipExportRunner::~ClipExportRunner() {
    m_cancel = true;
    if (m_thread.joinable()) m_thread.join();
}

bool ClipExportRunner::Start(const ExportRequest& request) {
    if (m_thread.joinable()) return false;
    m_cancel = false;
    m_thread = std::thread([this, request] {
        int reported = -1;
        const ExportResult result = ExportClip(request, [this, &reported](double done) {
            const int permille = static_cast<int>(done * 1000);
            if (permille != reported) {
                reported = permille;
                m_mailbox.Post([this, permille] { emit Progress(permille); });
            }
            return !m_cancel.load();
        });
        m_mailbox.Post([this, result] { Done(result); });
    });
    return true;
}

// On the runner's thread: the worker has posted its last call, so it ends now.
void ClipExportRunner::Done(const ExportResult& result) {
    if (m_thread.joinable()) m_thread.join();
    emit Finished(result);
}

}  // namespace korvane
