#include "app/MainWindow.h"

#include <QPalette>

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeySequence>
#include <QMenu>
#include <QMessageBox>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QSettings>
#include <QVBoxLayout>
#include <QWindow>

#include "app/AdjustPanel.h"
#include "app/Commands.h"
#include "app/MotionSearchPanel.h"
#include "app/MotionSearchRunner.h"
#include "app/GoToDialog.h"
#include "app/PictureSaver.h"
#include "app/PlayerView.h"
#include "desktop/RecentFileList.h"
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
      m_settings(std::make_unique<QSettings>(QString::fromLatin1(kSettingsOrganisation),
                                             QString::fromLatin1(kSettingsApplication))) {
    setWindowFlag(Qt::FramelessWindowHint, true);
    setWindowTitle(QString::fromLatin1(kFrameTitle));
    setMinimumSize(kFrameMinWidth, kFrameMinHeight);
    BuildMenu();
    m_menu->setVisible(false);

    // Printing works whether or not the menu bar is shown.
    addAction(QString(), QKeySequence(Qt::CTRL | Qt::Key_P), this, &MainWindow::Print);
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
    bar->Create(IDD_CONTROL_BAR);
    bar->Attach(player);
    m_bar = bar.get();
    layout->addWidget(bar.release());  // as wide as the window
    client->setLayout(layout.release());
    setCentralWidget(client.release());

    // What the bar asks of the window.
    connect(m_bar, &ControlBar::OpenRequested, m_view, &PlayerView::OpenWithDialog);
    connect(m_bar, &ControlBar::MenuToggleRequested, m_view, &PlayerView::ToggleMenu);
    connect(m_bar, &ControlBar::ZoomRequested, m_view, &PlayerView::SetZoom);
    connect(m_view, &PlayerView::ZoomChanged, m_bar, &ControlBar::ShowZoom);
    connect(m_bar, &ControlBar::ExitRequested, this, &MainWindow::Exit, Qt::QueuedConnection);
    connect(&player, &Player::TitleChanged, this, &QWidget::setWindowTitle);
    BuildKeys();
    BuildPictureKeys();
    BuildSearchKeys();
    // Marks belong to the recording they were set in.
    connect(&player, &Player::Opened, this, [this] {
        m_markIn.reset();
        m_markOut.reset();
        emit MarksChanged();
    });
}

MainWindow::~MainWindow() = default;  // here, where the dialogs' types are complete

void MainWindow::Start(const std::string& commandLine) {
    resize(352, 240);
    if (!commandLine.empty()) m_player.OpenCommandLine(commandLine);
    m_view->SetZoom(1);
}

void MainWindow::OnCommand(int id) {
    switch (id) {
        case ID_FILE_OPEN: m_view->OpenWithDialog(); break;
        case ID_PLAY: m_player.Start(PlayMode::Play); break;
        case ID_BACK_PLAY: m_player.Start(PlayMode::BackPlay); break;
        case ID_FAST_PLAY: m_player.Start(PlayMode::FastPlay); break;
        case ID_FAST_BACKPLAY: m_player.Start(PlayMode::FastBackPlay); break;
        case ID_PAUSE:
        case ID_STOP: m_player.Stop(); break;
        case ID_NEXT: m_player.StepForward(); break;
        case ID_PREVIOUS: m_player.StepBack(); break;
        case ID_SOUND: m_player.SetSound(!m_player.SoundOn()); break;
        case ID_ZOOM1: m_view->SetZoom(1); break;
        case ID_ZOOM2: m_view->SetZoom(2); break;
        case ID_ZOOM3: m_view->SetZoom(3); break;
        case ID_KEEP_PROPORTIONS: SetKeepProportions(!m_view->KeepProportions()); break;
        case ID_ORIGINAL_SIZE: m_view->OriginalSize(); break;
        case ID_FIT_TO_WINDOW:
            m_view->WholePicture();
            SetKeepProportions(true);
            break;
        case ID_WHOLE_PICTURE: m_view->WholePicture(); break;
        case ID_SMOOTH_ZOOM: m_view->SetSmoothZoom(!m_view->Magnifier().Smooth()); break;
        case ID_ADJUST_PANEL: ShowAdjustPanel(); break;
        case ID_MOTION_SEARCH: ShowMotionSearch(); break;
        case ID_APP_EXIT: Exit(); break;
        case ID_FILE_SAVE_PICTURE: SavePicture(); break;
        case ID_FILE_EXPORT_CLIP: ExportClip(); break;
        case ID_GO_TO: ShowGoTo(); break;
        case ID_HELP_KEYS: ShowKeys(); break;
        default:
            if (id >= ID_CAMERA_FIRST && id < ID_CAMERA_FIRST + 256) m_player.SelectCamera(id - ID_CAMERA_FIRST);
            break;
    }
}

void MainWindow::Exit() {
    m_player.Stop();
    close();
}

QAction* MainWindow::CommandAction(int id) const {
    for (QAction* top : m_menu->actions()) {
        if (top->menu() == nullptr) continue;
        for (QAction* action : top->menu()->actions()) {
            if (!action->isSeparator() && action->data().toInt() == id) return action;
        }
    }
    return nullptr;
}

void MainWindow::BuildMenu() {
    m_menu = menuBar();

    QMenu* file = AddMenu(QStringLiteral("FILE"));
    AddCommand(file, QStringLiteral("Open(&O)...\tCtrl+O"), ID_FILE_OPEN);
    AddCommand(file, QStringLiteral("Save picture(&S)...\tCtrl+S"), ID_FILE_SAVE_PICTURE);
    AddCommand(file, QStringLiteral("Export clip(&E)..."), ID_FILE_EXPORT_CLIP);
    AddCommand(file, QStringLiteral("Motion search...\tCtrl+F"), ID_MOTION_SEARCH);
    m_recentEnd = file->addSeparator();
    connect(file, &QMenu::aboutToShow, this, [this, file] { ListRecentFiles(file); });
    AddCommand(file, QStringLiteral("Exit(&X)"), ID_APP_EXIT);

    QMenu* play = AddMenu(QStringLiteral("PLAY"));
    AddCommand(play, QStringLiteral("PLAY"), ID_PLAY);
    AddCommand(play, QStringLiteral("BACK PLAY"), ID_BACK_PLAY);
    AddCommand(play, QStringLiteral("PAUSE"), ID_PAUSE);
    AddCommand(play, QStringLiteral("STOP"), ID_STOP);
    play->addSeparator();
    AddCommand(play, QStringLiteral("Previous"), ID_PREVIOUS);
    AddCommand(play, QStringLiteral("Next"), ID_NEXT);
    play->addSeparator();
    AddCommand(play, QStringLiteral("FAST PLAY"), ID_FAST_PLAY);
    AddCommand(play, QStringLiteral("FAST BACKPLAY"), ID_FAST_BACKPLAY);
    play->addSeparator();
    AddCommand(play, QStringLiteral("Sound"), ID_SOUND);

    QMenu* size = AddMenu(QStringLiteral("SIZE"));
    AddCommand(size, QStringLiteral("1x"), ID_ZOOM1);
    AddCommand(size, QStringLiteral("2x"), ID_ZOOM2);
    AddCommand(size, QStringLiteral("3x"), ID_ZOOM3);
    AddCommand(size, QStringLiteral("Original size"), ID_ORIGINAL_SIZE);
    AddCommand(size, QStringLiteral("Fit to window"), ID_FIT_TO_WINDOW);
    size->addSeparator();
    AddCommand(size, QStringLiteral("Keep proportions"), ID_KEEP_PROPORTIONS);
    AddCommand(size, QStringLiteral("Whole picture (out of the zoom)\t0"), ID_WHOLE_PICTURE);
    AddCommand(size, QStringLiteral("Smooth zoom"), ID_SMOOTH_ZOOM);
    AddCommand(size, QStringLiteral("Picture adjustments...\tA"), ID_ADJUST_PANEL);

    m_cameraMenu = AddMenu(QStringLiteral("CAMERA"));
    m_cameraMenuAction = m_cameraMenu->menuAction();
    m_cameraMenuAction->setVisible(false);  // until a recording shows several cameras

    QMenu* help = AddMenu(QStringLiteral("HELP"));
    AddCommand(help, QStringLiteral("Keys"), ID_HELP_KEYS);
}

namespace {
const QString kKeepProportionsKey = QStringLiteral("View/KeepProportions");
}

void MainWindow::UseRecentFiles(RecentFileList& recentFiles) {
    m_recentFiles = &recentFiles;
    if (!recentFiles.Files().isEmpty()) m_view->SetStartFolder(QFileInfo(recentFiles.Files().front()).absolutePath());
    m_view->SetKeepProportions(recentFiles.Store().value(kKeepProportionsKey, true).toBool());
}

void MainWindow::SetKeepProportions(bool keep) {
    m_view->SetKeepProportions(keep);
    if (m_recentFiles != nullptr) {
        m_recentFiles->Store().setValue(kKeepProportionsKey, keep);
        m_recentFiles->Store().sync();
    }
}

// Between Open and Exit: "1 path" for each recent recording, newest first.
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

QMenu* MainWindow::AddMenu(const QString& title) {
    QMenu* menu = m_menu->addMenu(title);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateCommandStates(menu); });
    return menu;
}

void MainWindow::AddCommand(QMenu* menu, const QString& text, int id) {
    // "label\tkeys": the keys after the tab become the action's shortcut.
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    QAction* action = menu->addAction(tab < 0 ? text : text.left(tab));
    action->setData(id);
    if (tab >= 0) {
        action->setShortcut(QKeySequence(text.mid(tab + 1)));
        // Also while the menu bar is hidden, which is how the player starts.
        addAction(action);
    }
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
}

void MainWindow::UpdateCommandStates(QMenu* menu) {
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) continue;
        const int id = action->data().toInt();
        const bool checked = (id == ID_SOUND && m_player.SoundOn()) ||
                             (id == ID_KEEP_PROPORTIONS && m_view->KeepProportions()) ||
                             (id == ID_SMOOTH_ZOOM && m_view->Magnifier().Smooth()) ||
                             (id >= ID_CAMERA_FIRST && id - ID_CAMERA_FIRST == m_player.SelectedCamera());
        action->setEnabled(!((id == ID_NEXT || id == ID_PREVIOUS) && m_player.SoundOn()));
        action->setCheckable(checked);
        action->setChecked(checked);
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
    if (result.status != ExportStatus::Cancelled) {
        m_exportNote = std::make_unique<QMessageBox>(
            result.status == ExportStatus::Written ? QMessageBox::Information : QMessageBox::Warning,
            QString::fromLatin1(kFrameTitle),
            QString::fromLocal8Bit(result.status == ExportStatus::Written
                                       ? ("Exported " + std::to_string(result.pictures) + " pictures from " +
                                          result.firstTime + " to " + result.lastTime)
                                             .c_str()
                                       : result.message.c_str()),
            QMessageBox::Ok, this);
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
