#include "app/Application.h"

#include "app/MainWindow.h"
#include "app/PlayerView.h"
#include "playback/Session.h"

#include <algorithm>

namespace korvane {

Application::Application(Notifier& notifier) : Application(notifier, Options{}) {}

Application::Application(Notifier& notifier, Options options)
    : m_notifier(notifier), m_options(std::move(options)), m_instance(m_options.lockFolder) {}

// The window goes first, then the engine, which stops its worker while the
// notifier and the settings it might use are still there.
Application::~Application() {
    m_mainWindow.reset();
    m_session.reset();
}

bool Application::Start(const QString& recording) {
    switch (m_instance.Acquire()) {
        case InstanceLock::Acquired: break;
        case InstanceLock::AlreadyRunning:
            m_notifier.ShowMessage(kAlreadyRunningText);
            return false;
        case InstanceLock::Error:
            m_notifier.ShowMessage(kProgramErrorText);
            return false;
    }

    m_recentFiles = std::make_unique<RecentFileList>(std::move(m_options.settings), kRecentFileCount);

    m_session = std::make_unique<Session>(m_notifier);
    m_session->SetCacheBound(CacheBoundSetting());
    QObject::connect(m_session.get(), &Session::Opened, [this](const QString& path) {
        if (m_recentFiles) m_recentFiles->Add(path);
    });
    m_mainWindow = std::make_unique<MainWindow>(*m_session, m_options.companionServer);
    m_mainWindow->UseRecentFiles(*m_recentFiles);
    m_mainWindow->Start(recording);

    m_mainWindow->show();
    return true;
}

std::size_t Application::CacheBoundSetting() {
    // Read only, and never below what two groups of small pictures need.
    const std::unique_ptr<QSettings> settings = UserSettings();
    const qulonglong mebibytes =
        settings->value(QStringLiteral("Playback/PictureCacheMiB"), qulonglong{kDefaultPictureCacheBytes >> 20})
            .toULongLong();
    return static_cast<std::size_t>(std::clamp<qulonglong>(mebibytes, 32, 1u << 20)) << 20;
}

QStringList Application::RecentFiles() const { return m_recentFiles ? m_recentFiles->Files() : QStringList{}; }

}  // namespace korvane
