#include "app/CKorvaneApp.h"

#include "app/CMainFrame.h"
#include "playback/CKorvaneView.h"

namespace korvane {

CKorvaneApp::CKorvaneApp(Notifier& notifier) : CKorvaneApp(notifier, Options{}) {}

CKorvaneApp::CKorvaneApp(Notifier& notifier, Options options)
    : m_notifier(notifier), m_options(std::move(options)), m_instance(m_options.lockFolder) {}

// The frame goes first: its view stops its workers while the notifier and
// the settings they might use are still there.
CKorvaneApp::~CKorvaneApp() { m_pMainWnd.reset(); }

bool CKorvaneApp::InitInstance(const std::string& commandLine) {
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

    m_pMainWnd = std::make_unique<CMainFrame>(m_options.companionServer);
    auto view = std::make_unique<CKorvaneView>(m_notifier);
    view->SetOpenObserver([this](const std::string& path) { AddRecentFile(path); });
    m_pMainWnd->SetView(view.release());  // the frame's child from here on
    m_pMainWnd->View()->OnInitialUpdate(commandLine);

    m_pMainWnd->show();
    return true;
}

void CKorvaneApp::AddRecentFile(const std::string& path) {
    if (m_recentFiles) m_recentFiles->Add(QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size())));
}

QStringList CKorvaneApp::RecentFiles() const { return m_recentFiles ? m_recentFiles->Files() : QStringList{}; }

std::string CKorvaneApp::JoinCommandLine(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line.push_back(' ');
        line.append(argv[i]);
    }
    return line;
}

}  // namespace korvane
