#include "app/IncidentExportRunner.h"

namespace korvane {

IncidentExportRunner::IncidentExportRunner(QObject* parent) : QObject(parent) {
    qRegisterMetaType<korvane::IncidentResult>("korvane::IncidentResult");
}

IncidentExportRunner::~IncidentExportRunner() {
    m_cancel = true;
    if (m_thread.joinable()) m_thread.join();
}

bool IncidentExportRunner::Start(const IncidentRequest& request) {
    if (m_thread.joinable()) return false;
    m_cancel = false;
    m_thread = std::thread([this, request] {
        int reported = -1;
        const IncidentResult result = ExportIncident(request, [this, &reported](double done) {
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
void IncidentExportRunner::Done(const IncidentResult& result) {
    if (m_thread.joinable()) m_thread.join();
    emit Finished(result);
}

}  // namespace korvane
