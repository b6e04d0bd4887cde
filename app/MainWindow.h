// The main window: it starts without caption and menu, keeps a minimum size,
// holds the view as its central widget, and gives every command one action
// (Actions) that the menu, the bar and the keys share, with one handler
// each: playback, navigation, zoom, printing (Ctrl+P), saving the picture
// (Ctrl+S), exporting clips between the in and out marks (keys I and O).
// It tells the companion tool when it closes.
#pragma once

#include <QKeySequence>
#include <QMainWindow>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/Actions.h"
#include "app/ClipExportRunner.h"
#include "controls/ControlBar.h"
#include "desktop/CompanionNotifier.h"
#include "desktop/RecentFileList.h"

class QAction;
class QMenu;
class QMenuBar;
class QMessageBox;
class QPaintDevice;
class QProgressDialog;
class QSettings;
class QVBoxLayout;

namespace korvane {

class AdjustPanel;
class CameraMenu;
class ClipExportFlow;
class MotionSearchFlow;
class EvidenceCommands;
class MotionSearchPanel;
class GoToDialog;
class PictureCommands;
class PictureOutput;
class RecentFilesMenu;
class SiteCommands;
class SiteView;
class Session;
class PlayerView;
class PositionReadout;
class Timeline;

inline constexpr int kFrameMinWidth = 360;
inline constexpr int kFrameMinHeight = 320;
inline constexpr const char* kFrameTitle = "Korvane";

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // The window of one engine: the view above, the control bar under it.
    // The engine must outlive the window.
    explicit MainWindow(Session& session,
                        const QString& companionServer = QString::fromLatin1(kCompanionServerName),
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // Sizes the window, opens the recording named on the command line (empty
    // for none) and applies zoom 1x.
    void Start(const QString& recording);

    // The single-camera view (also a camera shown alone), and the site view that holds it and the tiles.
    PlayerView* View() const { return m_view; }
    SiteView* Site() const { return m_site; }
    ControlBar* Bar() const { return m_bar; }

    QMenuBar* Menu() const { return m_menu; }
    // The action of a command, shared by the menu, the bar and the keys.
    QAction* Action(Command command) const { return (*m_actions)[command]; }
    Actions& CommandActions() { return *m_actions; }

    // Draws the view's picture on the device (a printer's printable area)
    // in its proportions, centred, with its text lines.
    void PrintView(QPaintDevice& device);
    // The recent-file list: listed in FILE, its folder the open dialog's
    // start, its settings the place where the window's choices are kept.
    void UseRecentFiles(RecentFileList& recentFiles);

    // --- Navigation (MainWindowNavigation.cpp) --------------------------------
    Timeline* TimelineStrip() const { return m_timeline; }
    PositionReadout* Readout() const { return m_readout; }
    // The go-to dialog (Ctrl+G), the key list (Help > Keys), Help > About and
    // the last message of an export; null until first shown.
    GoToDialog* GoTo() const { return m_goTo.get(); }
    QMessageBox* KeysHelp() const { return m_keysHelp.get(); }
    QMessageBox* AboutBox() const { return m_about.get(); }
    QMessageBox* ExportNote() const;
    // The CAMERA menu's entry in the menu bar: shown only for a recording
    // with pictures of several cameras; its actions, one per camera.
    QAction* CameraMenuAction() const;
    QMenu* CameraMenu() const;
    // Every key of the window and what it does, one per line.
    QString KeysText() const;

    // The in and out marks: capture times of the pictures shown when I and O were pressed.
    const std::optional<SystemTime>& MarkIn() const { return m_markIn; }
    const std::optional<SystemTime>& MarkOut() const { return m_markOut; }
    // Saves the shown picture to path (PNG, or JPEG by its name); false when none is shown or it cannot be written.
    bool SavePictureTo(const QString& path, bool withCaptionLines, bool adjusted = false);
    AdjustPanel* Adjust() const;
    // The motion search panel, made and shown.
    MotionSearchPanel* ShowMotionSearch();
    // Exports the open recording's camera between the marks to path, off the
    // GUI thread, with a progress dialog whose Cancel stops it.
    bool ExportClipTo(const QString& path);
    QProgressDialog* ExportProgress() const;
    // Bookmarks and the incident export (EvidenceCommands.cpp).
    EvidenceCommands& Evidence() { return *m_evidence; }

signals:
    void MarksChanged();
    void ExportFinished(korvane::ExportResult result);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenu();
    void Handle(Command command, std::function<void()> handler);
    void HandleCommands();
    // The actions' enabled and checked states from the engine and the view.
    void ShowStates();
    // A mode's action: starts the mode when none plays, else stops what plays.
    void StartOrStop(PlayMode mode);
    // An open that left nothing to show: nothing of the recording before stays.
    void ForgetRecording();
    void ShowAbout();
    void SetKeepProportions(bool keep);
    void SetMark(std::optional<SystemTime>& mark);
    // Where the window's choices are kept: the recent files' settings, else its own.
    QSettings& Choices();
    void Exit();

    // --- Navigation (MainWindowNavigation.cpp) --------------------------------
    void BuildNavigation(QVBoxLayout& layout);
    void HandleNavigation();
    void ShowGoTo();
    void ShowKeys();
    void Step(bool forward);
    void ChangeFastSpeed(int by);

    Session& m_session;
    QString m_companionServer;
    bool m_companionNotified = false;
    std::unique_ptr<Actions> m_actions;
    QMenuBar* m_menu = nullptr;
    SiteView* m_site = nullptr;              // owned by the client area
    PlayerView* m_view = nullptr;            // owned by the site view
    ControlBar* m_bar = nullptr;             // docked under the view, owned by the client area
    Timeline* m_timeline = nullptr;          // owned by the client area
    PositionReadout* m_readout = nullptr;    // owned by the client area
    RecentFileList* m_recentFiles = nullptr;
    std::unique_ptr<QSettings> m_settings;  // the choices without a recent-file list
    std::optional<SystemTime> m_markIn;
    std::optional<SystemTime> m_markOut;
    std::unique_ptr<PictureOutput> m_output;
    std::unique_ptr<ClipExportFlow> m_export;
    std::unique_ptr<PictureCommands> m_pictureCommands;
    std::unique_ptr<MotionSearchFlow> m_search;
    std::unique_ptr<SiteCommands> m_siteCommands;
    std::unique_ptr<RecentFilesMenu> m_recentMenu;
    std::unique_ptr<korvane::CameraMenu> m_cameraMenu;
    std::unique_ptr<GoToDialog> m_goTo;
    std::unique_ptr<QMessageBox> m_keysHelp;
    std::unique_ptr<QMessageBox> m_about;
    int m_zoom = 1;  // the view's zoom factor, as it reports it
    std::unique_ptr<EvidenceCommands> m_evidence;  // last: gone first, before what it uses
};

}  // namespace korvane
