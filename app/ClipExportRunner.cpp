#include "app/ClipExportRunner.h"

namespace korvane {

ClipExportRunner::ClipExportRunner(QObject* parent) : QObject(parent) {
    qRegisterMetaType<korvane::ExportResult>("korvane::ExportResult");
    connect(&m_job, &BackgroundJob::Progressed, this, &ClipExportRunner::Progress);
}

bool ClipExportRunner::Start(const ExportRequest& request) {
    return m_job.Start([this, request](const BackgroundJob::Progress& progress) -> std::function<void()> {
        ExportResult result = ExportClip(request, progress);
        return [this, result = std::move(result)] { emit Finished(result); };
    });
}

}  // namespace korvane
