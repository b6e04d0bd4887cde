#include "app/MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPalette>
#include <QSettings>
#include <QVBoxLayout>

#include "app/About.h"
#include "app/Actions.h"
#include "app/CameraMenu.h"
#include "app/ClipExportFlow.h"
#include "app/EvidenceCommands.h"
#include "app/GoToDialog.h"
#include "app/MotionSearchFlow.h"
#include "app/PictureCommands.h"
#include "app/PictureOutput.h"
#include "app/PlayerView.h"
#include "app/RecentFilesMenu.h"
#include "app/SiteCommands.h"
#include "app/SiteView.h"
#include "desktop/RecentFileList.h"
#include "desktop/Settings.h"
#include "playback/Session.h"

namespace korvane {
namespace {

const QString kKeepProportionsKey = QStringLiteral("View/KeepProportions");

}  // namespace

MainWindow::MainWindow(Session& session, const QString& companionServer, QWidget* parent)
    : QMainWindow(parent),
      m_session(session),
      m_companionServer(companionServer),
      m_settings(UserSettings()) {
    setWindowFlag(Qt::FramelessWindowHint, true);
    setWindowTitle(QString::fromLatin1(kFrameTitle));
    setMinimumSize(kFrameMinWidth, kFrameMinHeight);
    m_actions = std::make_unique<Actions>(*this);
    const auto choices = [this]() -> QSettings& { return Choices(); };
    m_export = std::make_unique<ClipExportFlow>(session, *this, m_markIn, m_markOut, choices);
    connect(m_export.get(), &ClipExportFlow::Finished, this, &MainWindow::ExportFinished);

    // The client area: the view above, the control bar docked at the bottom.
    auto client = std::make_unique<QWidget>();
    QPalette dark = client->palette();  // behind the view's picture before the first paint
    dark.setColor(QPalette::Window, Qt::black);
    client->setPalette(dark);
    client->setAutoFillBackground(true);
    auto layout = std::make_unique<QVBoxLayout>();
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto site = std::make_unique<SiteView>(session);
    m_site = site.get();
    m_view = &site->Single();
    layout->addWidget(site.release(), 1);
    BuildNavigation(*layout);
    auto bar = std::make_unique<ControlBar>();
    bar->Attach(session);
    m_bar = bar.get();
    layout->addWidget(bar.release());  // as wide as the window
    client->setLayout(layout.release());
    setCentralWidget(client.release());

    m_output = std::make_unique<PictureOutput>(session, *m_view, *this, choices);
    const CommandHandler handle = [this](Command command, std::function<void()> handler) {
        Handle(command, std::move(handler));
    };
    m_pictureCommands = std::make_unique<PictureCommands>(*m_actions, handle, *m_view, *this,
                                                          [this](bool keep) { SetKeepProportions(keep); });
    m_search = std::make_unique<MotionSearchFlow>(*m_actions, handle, session, *m_view, *m_timeline, *this, m_markIn,
                                                  m_markOut);
    m_siteCommands = std::make_unique<SiteCommands>(*m_actions, handle, *m_site);
    m_evidence = std::make_unique<EvidenceCommands>(*this, session);
    BuildMenu();
    m_menu->setVisible(false);
    HandleCommands();
    const std::pair<BarButton, Command> barCommands[] = {
        {BarButton::First, Command::First},       {BarButton::Previous, Command::Previous},
        {BarButton::BackPlay, Command::BackPlay}, {BarButton::Play, Command::Play},
        {BarButton::Pause, Command::Pause},       {BarButton::Next, Command::Next},
        {BarButton::Last, Command::Last},         {BarButton::Sound, Command::Sound},
        {BarButton::FastBack, Command::FastBackPlay}, {BarButton::FastPlay, Command::FastPlay},
        {BarButton::Exit, Command::Exit},         {BarButton::Open, Command::Open},
        {BarButton::Menu, Command::ToggleMenu},   {BarButton::Zoom1, Command::Zoom1},
        {BarButton::Zoom2, Command::Zoom2},       {BarButton::Zoom3, Command::Zoom3},
    };
    for (const auto& [button, command] : barCommands) m_bar->Bind(button, Action(command));

    // The actions show what the engine and the view report.
    connect(&session, &Session::ModeChanged, this, &MainWindow::ShowStates);
    connect(&session, &Session::SoundChanged, this, &MainWindow::ShowStates);
    connect(&session, &Session::PictureShown, this, &MainWindow::ShowStates);
    connect(&session, &Session::IndexReady, this, &MainWindow::ShowStates);
    connect(m_view, &PlayerView::ZoomChanged, this, [this](int factor) {
        m_zoom = factor;
        ShowStates();
    });
    connect(&session, &Session::TitleChanged, this, &QWidget::setWindowTitle);
    connect(&session, &Session::PictureCleared, this, &MainWindow::ForgetRecording);
    // Marks belong to the recording they were set in.
    connect(&session, &Session::Opened, this, [this] {
        m_markIn.reset();
        m_markOut.reset();
        emit MarksChanged();
    });
    ShowStates();
}

MainWindow::~MainWindow() = default;  // here, where the dialogs' types are complete

void MainWindow::Start(const QString& recording) {
    resize(352, 240);
    if (!recording.isEmpty()) m_session.Open(recording.toLocal8Bit().toStdString());
    m_view->SetZoom(1);
}

void MainWindow::Handle(Command command, std::function<void()> handler) {
    connect(Action(command), &QAction::triggered, this, [this, handler = std::move(handler)] {
        handler();
        ShowStates();  // also when the engine refused: a checkable action flipped itself
    });
}

void MainWindow::HandleCommands() {
    Handle(Command::Open, [this] { m_view->OpenWithDialog(); });
    Handle(Command::SavePicture, [this] { m_output->Save(); });
    Handle(Command::ExportClip, [this] { m_export->Ask(); });
    Handle(Command::Print, [this] { m_output->Print(); });
    Handle(Command::Exit, [this] { QMetaObject::invokeMethod(this, &MainWindow::Exit, Qt::QueuedConnection); });
    Handle(Command::Play, [this] { StartOrStop(PlayMode::Play); });
    Handle(Command::BackPlay, [this] { StartOrStop(PlayMode::BackPlay); });
    Handle(Command::FastPlay, [this] { StartOrStop(PlayMode::FastPlay); });
    Handle(Command::FastBackPlay, [this] { StartOrStop(PlayMode::FastBackPlay); });
    Handle(Command::Pause, [this] { m_session.Stop(); });
    Handle(Command::Stop, [this] { m_session.Stop(); });
    Handle(Command::Sound, [this] { m_session.SetSound(!m_session.SoundOn()); });
    Handle(Command::Zoom1, [this] { m_view->SetZoom(1); });
    Handle(Command::Zoom2, [this] { m_view->SetZoom(2); });
    Handle(Command::Zoom3, [this] { m_view->SetZoom(3); });
    Handle(Command::KeepProportions, [this] { SetKeepProportions(!m_view->KeepProportions()); });
    Handle(Command::FullScreen, [this] { m_view->ToggleFullScreen(); });
    Handle(Command::LeaveFullScreen, [this] {
        if (m_view->FullScreen()) m_view->ToggleFullScreen();
    });
    Handle(Command::ToggleMenu, [this] { m_view->ToggleMenu(); });
    Handle(Command::MarkIn, [this] { SetMark(m_markIn); });
    Handle(Command::MarkOut, [this] { SetMark(m_markOut); });
    Handle(Command::About, [this] { ShowAbout(); });
    HandleNavigation();
}

void MainWindow::StartOrStop(PlayMode mode) {
    if (m_session.IsPlaying()) m_session.Stop();
    else m_session.Start(mode);
}

void MainWindow::ShowStates() {
    const bool open = m_session.FileOpen() && m_view->Shown() != nullptr;
    const PlayMode mode = m_session.Mode();
    const std::pair<Command, bool> checks[] = {
        {Command::Play, mode == PlayMode::Play || mode == PlayMode::PlaySound},
        {Command::BackPlay, mode == PlayMode::BackPlay},
        {Command::FastPlay, mode == PlayMode::FastPlay},
        {Command::FastBackPlay, mode == PlayMode::FastBackPlay},
        {Command::Sound, m_session.SoundOn()},
        {Command::Zoom1, m_zoom == 1},
        {Command::Zoom2, m_zoom == 2},
        {Command::Zoom3, m_zoom == 3},
        {Command::KeepProportions, m_view->KeepProportions()},
        {Command::SmoothZoom, m_view->Magnifier().Smooth()},
    };
    for (const auto& [command, checked] : checks) Action(command)->setChecked(checked);
    // What needs a recording on screen.
    for (Command command : {Command::SavePicture, Command::ExportClip, Command::Print, Command::Play,
                            Command::BackPlay, Command::FastPlay, Command::FastBackPlay, Command::Pause,
                            Command::Stop, Command::Previous, Command::Next, Command::First, Command::Last,
                            Command::BackShort, Command::ForwardShort, Command::BackLong, Command::ForwardLong,
                            Command::GoTo, Command::MarkIn, Command::MarkOut})
        Action(command)->setEnabled(open);
}

void MainWindow::ForgetRecording() {
    setWindowTitle(QString::fromLatin1(kFrameTitle));
    m_cameraMenu->Clear();
    m_markIn.reset();
    m_markOut.reset();
    emit MarksChanged();
    ShowStates();
}

void MainWindow::ShowAbout() {
    if (!m_about) {
        m_about = std::make_unique<QMessageBox>(QMessageBox::NoIcon, tr("About Korvane"), AboutText(), QMessageBox::Ok,
                                                this);
        m_about->setTextFormat(Qt::RichText);
        m_about->setModal(false);
    }
    m_about->show();
}

void MainWindow::Exit() {
    m_session.Stop();
    close();
}

void MainWindow::BuildMenu() {
    m_menu = menuBar();
    const auto add = [this](QMenu* menu, std::initializer_list<Command> commands) {
        for (Command command : commands) menu->addAction(Action(command));
    };

    QMenu* file = m_menu->addMenu(tr("&File"));
    add(file, {Command::Open, Command::SavePicture, Command::ExportClip, Command::ExportIncident, Command::MotionSearch, Command::Print});
    m_recentMenu = std::make_unique<RecentFilesMenu>(m_session, *file, *file->addSeparator());
    add(file, {Command::Exit});

    QMenu* play = m_menu->addMenu(tr("&Play"));
    add(play, {Command::Play, Command::BackPlay, Command::Pause, Command::Stop});
    play->addSeparator();
    add(play, {Command::Previous, Command::Next, Command::First, Command::Last});
    play->addSeparator();
    add(play, {Command::FastPlay, Command::FastBackPlay, Command::Faster, Command::Slower});
    play->addSeparator();
    add(play, {Command::Sound});

    QMenu* go = m_menu->addMenu(tr("&Go"));
    add(go, {Command::GoTo, Command::BackShort, Command::ForwardShort, Command::BackLong, Command::ForwardLong});
    go->addSeparator();
    add(go, {Command::MarkIn, Command::MarkOut, Command::AddBookmark});
    go->addSeparator();
    add(go, {Command::NextEvent, Command::PreviousEvent});

    QMenu* size = m_menu->addMenu(tr("&View"));
    add(size, {Command::LayoutAutomatic, Command::Layout1, Command::Layout2x2, Command::Layout3x3, Command::Layout4x4});
    add(size, {Command::CameraAlone, Command::NextCamera, Command::PreviousCamera});
    size->addSeparator();
    add(size, {Command::Zoom1, Command::Zoom2, Command::Zoom3});
    size->addSeparator();
    add(size, {Command::OriginalSize, Command::FitToWindow, Command::WholePicture, Command::SmoothZoom});
    size->addSeparator();
    add(size, {Command::KeepProportions, Command::FullScreen, Command::LeaveFullScreen, Command::ToggleMenu});
    size->addSeparator();
    add(size, {Command::AdjustPanel});
    add(size, {Command::Brighter, Command::Darker, Command::MoreContrast, Command::LessContrast, Command::GammaUp,
                 Command::GammaDown, Command::Deinterlace, Command::ResetAdjustments});
    size->addSeparator();
    add(size, {Command::Bookmarks});

    m_cameraMenu = std::make_unique<korvane::CameraMenu>(m_session, *m_menu);

    QMenu* help = m_menu->addMenu(tr("&Help"));
    add(help, {Command::Keys, Command::About});
}

void MainWindow::UseRecentFiles(RecentFileList& recentFiles) {
    m_recentFiles = &recentFiles;
    m_recentMenu->Use(recentFiles);
    if (!recentFiles.Files().isEmpty()) m_view->SetStartFolder(QFileInfo(recentFiles.Files().front()).absolutePath());
    m_view->SetKeepProportions(recentFiles.Store().value(kKeepProportionsKey, true).toBool());
    ShowStates();
}

void MainWindow::SetKeepProportions(bool keep) {
    m_view->SetKeepProportions(keep);
    Choices().setValue(kKeepProportionsKey, keep);
    Choices().sync();
}

void MainWindow::PrintView(QPaintDevice& device) { m_output->PrintTo(device); }

void MainWindow::SetMark(std::optional<SystemTime>& mark) {
    const PictureHandle& picture = m_view->Shown();
    if (!picture) return;
    mark = picture->captureTime;
    emit MarksChanged();
}

QSettings& MainWindow::Choices() {
    return m_recentFiles != nullptr ? m_recentFiles->Store() : *m_settings;
}

bool MainWindow::SavePictureTo(const QString& path, bool withCaptionLines, bool adjusted) {
    return m_output->SaveTo(path, withCaptionLines, adjusted);
}

bool MainWindow::ExportClipTo(const QString& path) { return m_export->ExportTo(path); }
QProgressDialog* MainWindow::ExportProgress() const { return m_export->Progress(); }
QMessageBox* MainWindow::ExportNote() const { return m_export->Note(); }
QAction* MainWindow::CameraMenuAction() const { return m_cameraMenu->MenuAction(); }
QMenu* MainWindow::CameraMenu() const { return m_cameraMenu->Menu(); }
AdjustPanel* MainWindow::Adjust() const { return m_pictureCommands->Panel(); }
MotionSearchPanel* MainWindow::ShowMotionSearch() { return m_search->Show(); }

void MainWindow::closeEvent(QCloseEvent* event) {
    m_session.Stop();
    if (!m_companionNotified) {
        m_companionNotified = true;
        NotifyCompanion(m_companionServer);
    }
    QMainWindow::closeEvent(event);
}

}  // namespace korvane
