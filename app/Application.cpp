#include "app/Application.h"

#include "app/MainWindow.h"
#include "playback/PlayerView.h"

namespace korvane {

Application::Application(Notifier& notifier) : Application(notifier, Options{}) {}

Application::Application(Notifier& notifier, Options options)
    : m_notifier(notifier), m_options(std::move(options)), m_instance(m_options.lockFolder) {}

// The frame goes first: its view stops its workers while the notifier and
// the settings they might use are still there.
Application::~Application() { m_mainWindow.reset(); }

bool Application::InitInstance(const std::string& commandLine) {
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

    m_mainWindow = std::make_unique<MainWindow>(m_options.companionServer);
    auto view = std::make_unique<PlayerView>(m_notifier);
    view->SetOpenObserver([this](const std::string& path) { AddRecentFile(path); });
    m_mainWindow->SetView(view.release());  // the frame's child from here on
    m_mainWindow->View()->OnInitialUpdate(commandLine);

    m_mainWindow->show();
    return true;
}

void Application::AddRecentFile(const std::string& path) {
    if (m_recentFiles) m_recentFiles->Add(QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size())));
}

QStringList Application::RecentFiles() const { return m_recentFiles ? m_recentFiles->Files() : QStringList{}; }

std::string Application::JoinCommandLine(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line.push_back(' ');
        line.append(argv[i]);
    }
    return line;
}

}  // namespace korvane
