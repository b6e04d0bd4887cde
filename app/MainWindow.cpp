#include "app/MainWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPalette>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include "app/About.h"
#include "app/Actions.h"
#include "app/AdjustPanel.h"
#include "app/EvidenceCommands.h"
#include "app/MotionSearchPanel.h"
#include "app/MotionSearchRunner.h"
#include "app/GoToDialog.h"
#include "app/PictureSaver.h"
#include "app/PlayerView.h"
#include "desktop/RecentFileList.h"
#include "desktop/Settings.h"
#include "playback/Player.h"
#include "recording/SiteInfo.h"
#include "recording/TimeStamp.h"

namespace korvane {
namespace {

const QString kPictureFolderKey = QStringLiteral("Export/PictureFolder");
const QString kCaptionLinesKey = QStringLiteral("Export/CaptionLines");
const QString kClipFolderKey = QStringLiteral("Export/ClipFolder");

}  // namespace

MainWindow::MainWindow(Player& player, const QString& companionServer, QWidget* parent)
    : QMainWindow(parent),
      m_player(player),
      m_companionServer(companionServer),
      m_settings(UserSettings()) {
    setWindowFlag(Qt::FramelessWindowHint, true);
    setWindowTitle(QString::fromLatin1(kFrameTitle));
    setMinimumSize(kFrameMinWidth, kFrameMinHeight);
    m_actions = std::make_unique<Actions>(*this);
    connect(&m_exporter, &ClipExportRunner::Finished, this, &MainWindow::ExportDone);

    // The client area: the view above, the control bar docked at the bottom.
    auto client = std::make_unique<QWidget>();
    QPalette dark = client->palette();  // behind the view's picture before the first paint
    dark.setColor(QPalette::Window, Qt::black);
    client->setPalette(dark);
    client->setAutoFillBackground(true);
    auto layout = std::make_unique<QVBoxLayout>();
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto view = std::make_unique<PlayerView>(player);
    m_view = view.get();
    layout->addWidget(view.release(), 1);
    BuildNavigation(*layout);
    auto bar = std::make_unique<ControlBar>();
    bar->Attach(player);
    m_bar = bar.get();
    layout->addWidget(bar.release());  // as wide as the window
    client->setLayout(layout.release());
    setCentralWidget(client.release());

    BuildPictureCommands();
    BuildSearchCommands();
    m_evidence = std::make_unique<EvidenceCommands>(*this, player);
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
    connect(&player, &Player::ModeChanged, this, &MainWindow::ShowStates);
    connect(&player, &Player::SoundChanged, this, &MainWindow::ShowStates);
    connect(&player, &Player::PictureShown, this, &MainWindow::ShowStates);
    connect(&player, &Player::IndexReady, this, &MainWindow::ShowStates);
    connect(m_view, &PlayerView::ZoomChanged, this, [this](int factor) {
        m_zoom = factor;
        ShowStates();
    });
    connect(&player, &Player::TitleChanged, this, &QWidget::setWindowTitle);
    connect(&player, &Player::PictureCleared, this, &MainWindow::ForgetRecording);
    // Marks belong to the recording they were set in.
    connect(&player, &Player::Opened, this, [this] {
        m_markIn.reset();
        m_markOut.reset();
        emit MarksChanged();
    });
    ShowStates();
}

MainWindow::~MainWindow() = default;  // here, where the dialogs' types are complete

void MainWindow::Start(const QString& recording) {
    resize(352, 240);
    if (!recording.isEmpty()) m_player.Open(recording.toLocal8Bit().toStdString());
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
    Handle(Command::SavePicture, [this] { SavePicture(); });
    Handle(Command::ExportClip, [this] { ExportClip(); });
    Handle(Command::Print, [this] { Print(); });
    Handle(Command::Exit, [this] { QMetaObject::invokeMethod(this, &MainWindow::Exit, Qt::QueuedConnection); });
    Handle(Command::Play, [this] { StartOrStop(PlayMode::Play); });
    Handle(Command::BackPlay, [this] { StartOrStop(PlayMode::BackPlay); });
    Handle(Command::FastPlay, [this] { StartOrStop(PlayMode::FastPlay); });
    Handle(Command::FastBackPlay, [this] { StartOrStop(PlayMode::FastBackPlay); });
    Handle(Command::Pause, [this] { m_player.Stop(); });
    Handle(Command::Stop, [this] { m_player.Stop(); });
    Handle(Command::Sound, [this] { m_player.SetSound(!m_player.SoundOn()); });
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
    if (m_player.IsPlaying()) m_player.Stop();
    else m_player.Start(mode);
}

void MainWindow::ShowStates() {
    const bool open = m_player.FileOpen() && m_view->Shown() != nullptr;
    const PlayMode mode = m_player.Mode();
    const std::pair<Command, bool> checks[] = {
        {Command::Play, mode == PlayMode::Play || mode == PlayMode::PlaySound},
        {Command::BackPlay, mode == PlayMode::BackPlay},
        {Command::FastPlay, mode == PlayMode::FastPlay},
        {Command::FastBackPlay, mode == PlayMode::FastBackPlay},
        {Command::Sound, m_player.SoundOn()},
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
    m_cameraMenu->clear();
    m_cameraMenuAction->setVisible(false);
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
    m_player.Stop();
    close();
}

void MainWindow::BuildMenu() {
    m_menu = menuBar();
    const auto add = [this](QMenu* menu, std::initializer_list<Command> commands) {
        for (Command command : commands) menu->addAction(Action(command));
    };

    QMenu* file = m_menu->addMenu(tr("&File"));
    add(file, {Command::Open, Command::SavePicture, Command::ExportClip, Command::ExportIncident, Command::MotionSearch, Command::Print});
    m_recentEnd = file->addSeparator();
    connect(file, &QMenu::aboutToShow, this, [this, file] { ListRecentFiles(file); });
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

    m_cameraMenu = m_menu->addMenu(tr("&Camera"));
    m_cameraMenuAction = m_cameraMenu->menuAction();
    m_cameraMenuAction->setVisible(false);  // until a recording shows several cameras

    QMenu* help = m_menu->addMenu(tr("&Help"));
    add(help, {Command::Keys, Command::About});
}

namespace {
const QString kKeepProportionsKey = QStringLiteral("View/KeepProportions");
}

void MainWindow::UseRecentFiles(RecentFileList& recentFiles) {
    m_recentFiles = &recentFiles;
    if (!recentFiles.Files().isEmpty()) m_view->SetStartFolder(QFileInfo(recentFiles.Files().front()).absolutePath());
    m_view->SetKeepProportions(recentFiles.Store().value(kKeepProportionsKey, true).toBool());
    ShowStates();
}

void MainWindow::SetKeepProportions(bool keep) {
    m_view->SetKeepProportions(keep);
    Choices().setValue(kKeepProportionsKey, keep);
    Choices().sync();
}

// Between the file commands and Exit: "1 path" for each recent recording, newest first.
void MainWindow::ListRecentFiles(QMenu* file) {
    m_recentActions.clear();  // a destroyed action leaves the menu by itself
    if (m_recentFiles == nullptr || m_recentFiles->Files().isEmpty()) return;
    const QStringList& files = m_recentFiles->Files();
    auto separator = std::make_unique<QAction>();
    separator->setSeparator(true);
    file->insertAction(m_recentEnd, separator.get());
    m_recentActions.push_back(std::move(separator));
    for (qsizetype i = 0; i < files.size(); ++i) {
        auto action = std::make_unique<QAction>(QStringLiteral("&%1 %2").arg(i + 1).arg(files[i]));
        const std::string path = files[i].toLocal8Bit().toStdString();
        connect(action.get(), &QAction::triggered, this, [this, path] { m_player.Open(path); });
        file->insertAction(m_recentEnd, action.get());
        m_recentActions.push_back(std::move(action));
    }
}

void MainWindow::PrintView(QPaintDevice& device) {
    QPainter painter(&device);
    if (!painter.isActive()) return;
    m_view->Paint(painter, QRect(0, 0, device.width(), device.height()), true);
}

void MainWindow::Print() {
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    PrintView(printer);
}

void MainWindow::SetMark(std::optional<SystemTime>& mark) {
    const PictureHandle& picture = m_view->Shown();
    if (!picture) return;
    mark = picture->captureTime;
    emit MarksChanged();
}

QSettings& MainWindow::Choices() {
    return m_recentFiles != nullptr ? m_recentFiles->Store() : *m_settings;
}

QString MainWindow::SiteName() const {
    return QString::fromLocal8Bit(m_player.SiteName().c_str());
}

bool MainWindow::SavePictureTo(const QString& path, bool withCaptionLines, bool adjusted) {
    QImage image = PictureImage(*m_view, withCaptionLines, adjusted);
    // What was applied goes into the file (a PNG text chunk, a JPEG comment).
    if (adjusted && !m_view->Adjustments().Neutral()) image.setText(QStringLiteral("Adjustments"), m_view->Adjustments().Tag());
    return !image.isNull() && SaveImage(image, path);
}

void MainWindow::SavePicture() {
    const PictureHandle picture = m_view->Shown();
    if (!picture) return;
    const QString folder = Choices().value(kPictureFolderKey, QDir::homePath()).toString();
    QFileDialog dialog(this, QStringLiteral("Save picture"), QDir(folder).filePath(SuggestedPictureName(SiteName(), *picture, SavedPart(*m_view))),
                       QStringLiteral("PNG picture (*.png);;JPEG picture (*.jpg *.jpeg)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);  // it carries the check box
    auto lines = std::make_unique<QCheckBox>(QStringLiteral("Draw the caption lines in"));
    lines->setChecked(Choices().value(kCaptionLinesKey, true).toBool());
    QCheckBox* check = lines.get();
    // Adjustments go into a saved picture only when asked for, each time.
    auto adjusted = std::make_unique<QCheckBox>(QStringLiteral("Apply the picture adjustments (%1)").arg(m_view->Adjustments().Tag()));
    QCheckBox* applyAdjustments = adjusted.get();
    adjusted->setVisible(!m_view->Adjustments().Neutral());
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        grid->addWidget(lines.release(), grid->rowCount(), 0, 1, grid->columnCount());
        grid->addWidget(adjusted.release(), grid->rowCount(), 0, 1, grid->columnCount());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = dialog.selectedFiles().front();
    Choices().setValue(kPictureFolderKey, QFileInfo(path).absolutePath());
    Choices().setValue(kCaptionLinesKey, check->isChecked());
    if (!SavePictureTo(path, check->isChecked(), applyAdjustments->isVisible() && applyAdjustments->isChecked()))
        QMessageBox::warning(this, QString::fromLatin1(kFrameTitle), QStringLiteral("Cannot write ") + path);
}

void MainWindow::ExportClip() {
    if (!m_player.FileOpen() || m_exporter.Running()) return;
    const QString folder = Choices().value(kClipFolderKey, QDir::homePath()).toString();
    QString name = QStringLiteral("CAM%1").arg(m_player.SelectedCamera() + 1);
    if (const QString site = SiteName(); !site.isEmpty()) name = site + QLatin1Char('_') + name;
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export clip"),
                                                      QDir(folder).filePath(name + QStringLiteral(".mkv")),
                                                      QStringLiteral("Matroska (*.mkv);;MP4 (*.mp4)"));
    if (path.isEmpty()) return;
    Choices().setValue(kClipFolderKey, QFileInfo(path).absolutePath());
    ExportClipTo(path);
}

bool MainWindow::ExportClipTo(const QString& path) {
    if (!m_player.FileOpen()) return false;
    ExportRequest request;
    request.source = m_player.FilePath();
    request.output = path.toLocal8Bit().toStdString();
    request.from = m_markIn;
    request.to = m_markOut;
    request.camera = m_player.SelectedCamera() + 1;
    if (!m_exporter.Start(request)) return false;
    m_exportPath = path;
    m_exportProgress = std::make_unique<QProgressDialog>(QStringLiteral("Exporting ") + QFileInfo(path).fileName(),
                                                         QStringLiteral("Cancel"), 0, 1000, this);
    m_exportProgress->setWindowTitle(QString::fromLatin1(kFrameTitle));
    m_exportProgress->setMinimumDuration(0);
    m_exportProgress->setAutoClose(false);
    m_exportProgress->setAutoReset(false);
    connect(&m_exporter, &ClipExportRunner::Progress, m_exportProgress.get(), &QProgressDialog::setValue);
    connect(m_exportProgress.get(), &QProgressDialog::canceled, &m_exporter, &ClipExportRunner::Cancel);
    // Not modal: a modal dialog's setValue would run the event loop inside the progress call.
    m_exportProgress->setWindowModality(Qt::NonModal);
    m_exportProgress->show();
    return true;
}

void MainWindow::ExportDone(const ExportResult& result) {
    if (m_exportProgress) {
        m_exportProgress->disconnect(&m_exporter);
        m_exportProgress->hide();
        m_exportProgress.reset();
    }
    if (result.status == ExportStatus::Written) {
        // Where the files went, and a button that opens that folder.
        const QFileInfo clip(m_exportPath);
        const QString folder = clip.absolutePath();
        QString text = tr("Exported %1 pictures from %2 to %3 into the folder %4:")
                           .arg(result.pictures)
                           .arg(QString::fromStdString(result.firstTime), QString::fromStdString(result.lastTime),
                                folder);
        const std::string output = m_exportPath.toLocal8Bit().toStdString();
        for (const std::string& file : {output, TimesPath(output), ReportPath(output)})
            text += QStringLiteral("\n    ") + QFileInfo(QString::fromLocal8Bit(file.c_str())).fileName();
        m_exportNote = std::make_unique<QMessageBox>(QMessageBox::Information, QString::fromLatin1(kFrameTitle), text,
                                                     QMessageBox::Ok, this);
        QPushButton* open = m_exportNote->addButton(tr("Open folder"), QMessageBox::ActionRole);
        connect(open, &QPushButton::clicked, this,
                [folder] { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); });
        m_exportNote->open();
    } else if (result.status != ExportStatus::Cancelled) {
        m_exportNote = std::make_unique<QMessageBox>(QMessageBox::Warning, QString::fromLatin1(kFrameTitle),
                                                     QString::fromLocal8Bit(result.message.c_str()), QMessageBox::Ok,
                                                     this);
        m_exportNote->open();
    }
    emit ExportFinished(result);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    m_player.Stop();
    if (!m_companionNotified) {
        m_companionNotified = true;
        NotifyCompanion(m_companionServer);
    }
    QMainWindow::closeEvent(event);
}

}  // namespace korvane
