// The application: start-up in order (one player at a time, the settings
// with the recent-file list, the frame with the view, the recording named on
// the command line, the window shown) and the frame's life after that.
#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>

#include "desktop/CompanionNotifier.h"
#include "desktop/RecentFileList.h"
#include "platform/Notifier.h"
#include "desktop/SingleInstance.h"

namespace korvane {

class MainWindow;
class Session;

inline constexpr const char* kAlreadyRunningText = "program is running.";
inline constexpr const char* kProgramErrorText = "Program Error";

class Application {
public:
    struct Options {
        QString lockFolder;  // empty: the user's runtime folder
        QString companionServer = QString::fromLatin1(kCompanionServerName);
        std::unique_ptr<QSettings> settings;  // null: the user's own scope
    };

    // The notifier must outlive the application object.
    explicit Application(Notifier& notifier);
    Application(Notifier& notifier, Options options);
    ~Application();
    Application(const Application&) = delete;
    // The bound of the engine's decoded-picture cache: the setting
    // Playback/PictureCacheMiB, 768 MiB unless set.
    static std::size_t CacheBoundSetting();
    Application& operator=(const Application&) = delete;

    // Makes the window and opens the recording given (empty for none).
    // False when the player must end; then no window was made.
    bool Start(const QString& recording);

    QStringList RecentFiles() const;
    MainWindow* MainFrame() const { return m_mainWindow.get(); }

private:
    Notifier& m_notifier;
    Options m_options;
    SingleInstance m_instance;
    std::unique_ptr<RecentFileList> m_recentFiles;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<MainWindow> m_mainWindow;
};

}  // namespace korvane
