// The window's ways to find a moment: the timeline and readout strip under
// the picture, the keys, the go-to dialog, the CAMERA menu and the key list.
// All of them go through the engine's public interface.
#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QMessageBox>
#include <QVBoxLayout>

#include <algorithm>

#include "app/Commands.h"
#include "app/GoToDialog.h"
#include "app/MainWindow.h"
#include "app/PlayerView.h"
#include "controls/PositionReadout.h"
#include "controls/Timeline.h"
#include "playback/Player.h"
#include "recording/SiteInfo.h"
#include "recording/TimeStamp.h"

namespace korvane {
namespace {

constexpr std::int64_t kShortJump = 10'000;  // Shift+Left/Right
constexpr std::int64_t kLongJump = 60'000;   // PgUp/PgDn
constexpr int kFastSpeedMax = 5;
constexpr int kSpeedSliderStep = 20;         // slider positions a speed level

}  // namespace

void MainWindow::BuildNavigation(QVBoxLayout& layout) {
    auto strip = std::make_unique<QWidget>();
    auto row = std::make_unique<QHBoxLayout>();
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto timeline = std::make_unique<Timeline>();
    timeline->Attach(m_player);
    m_timeline = timeline.get();
    row->addWidget(timeline.release(), 1);
    auto readout = std::make_unique<PositionReadout>();
    readout->Attach(m_player);
    m_readout = readout.get();
    row->addWidget(readout.release());
    strip->setLayout(row.release());
    layout.addWidget(strip.release());
    connect(&m_player, &Player::IndexReady, this, &MainWindow::RebuildCameraMenu);
    connect(&m_player, &Player::Opened, this, &MainWindow::RebuildCameraMenu);
    // The clip marks (I and O) as brackets on the timeline.
    connect(this, &MainWindow::MarksChanged, this, [this] {
        const auto millis = [](const std::optional<SystemTime>& t) {
            return t ? std::optional<std::int64_t>(CaptureMilliseconds(*t)) : std::nullopt;
        };
        m_timeline->SetMarks(millis(m_markIn), millis(m_markOut));
    });
}

namespace {

// What Help > Keys lists; BuildKeys binds the same keys.
const struct {
    const char* keys;
    const char* what;
} kKeyList[] = {
    {"Space", "Play or pause"},
    {"Left / Right", "One picture back / forward"},
    {"Shift+Left / Shift+Right", "Ten seconds back / forward"},
    {"PgUp / PgDn", "One minute back / forward"},
    {"Home / End", "First / last picture"},
    {"F, Enter, double click", "Full screen or back"},
    {"Esc", "Leave full screen"},
    {"+ / -", "Fast speed up / down"},
    {"1 / 2 / 3", "Zoom 1x / 2x / 3x"},
    {"Wheel, drag", "Zoom into the picture at the pointer, move it while zoomed"},
    {"0", "The whole picture again"},
    {"A", "Picture adjustments"},
    {"B / Shift+B", "Brighter / darker"},
    {"C / Shift+C", "More / less contrast"},
    {"G / Shift+G", "Gamma up / down"},
    {"D", "Deinterlace on or off"},
    {"R", "Picture adjustments back to none"},
    {"M", "Menu and caption on or off"},
    {"S", "Sound on or off"},
    {"Ctrl+G", "Go to a capture time"},
    {"Ctrl+O", "Open a recording"},
    {"Ctrl+P", "Print the picture"},
    {"Ctrl+S", "Save the picture"},
    {"I / O", "Mark where a clip starts / ends"},
    {"Ctrl+F", "Motion search"},
    {"N / Shift+N", "Next / previous motion event"},
};

}  // namespace

void MainWindow::BindKey(const std::vector<QKeySequence>& keys, std::function<void()> action) {
    QAction* key = addAction(keys.front().toString());
    key->setShortcuts(QList<QKeySequence>(keys.begin(), keys.end()));
    key->setShortcutContext(Qt::WindowShortcut);  // also while the menu bar is hidden
    connect(key, &QAction::triggered, this, [action = std::move(action)] { action(); });
}

void MainWindow::BuildKeys() {
    BindKey({Qt::Key_Space}, [this] { TogglePlay(); });
    BindKey({Qt::Key_Left}, [this] { Step(false); });
    BindKey({Qt::Key_Right}, [this] { Step(true); });
    BindKey({QKeySequence(Qt::SHIFT | Qt::Key_Left)}, [this] { m_player.SeekBy(-kShortJump); });
    BindKey({QKeySequence(Qt::SHIFT | Qt::Key_Right)}, [this] { m_player.SeekBy(kShortJump); });
    BindKey({Qt::Key_PageUp}, [this] { m_player.SeekBy(-kLongJump); });
    BindKey({Qt::Key_PageDown}, [this] { m_player.SeekBy(kLongJump); });
    BindKey({Qt::Key_Home}, [this] { m_player.SeekToFirst(); });
    BindKey({Qt::Key_End}, [this] { m_player.SeekToLast(); });
    BindKey({Qt::Key_F, Qt::Key_Return, Qt::Key_Enter}, [this] { m_view->ToggleFullScreen(); });
    BindKey({Qt::Key_Escape}, [this] {
        if (m_view->FullScreen()) m_view->ToggleFullScreen();
    });
    BindKey({Qt::Key_Plus}, [this] { ChangeFastSpeed(1); });
    BindKey({Qt::Key_Minus}, [this] { ChangeFastSpeed(-1); });
    for (int factor = 1; factor <= 3; ++factor)
        BindKey({QKeySequence(Qt::Key_0 + factor)}, [this, factor] { m_view->SetZoom(factor); });
    BindKey({Qt::Key_M}, [this] { m_view->ToggleMenu(); });
    BindKey({Qt::Key_S}, [this] { m_player.SetSound(!m_player.SoundOn()); });
    BindKey({QKeySequence(Qt::CTRL | Qt::Key_G)}, [this] { ShowGoTo(); });
    BindKey({Qt::Key_I}, [this] { SetMark(m_markIn); });
    BindKey({Qt::Key_O}, [this] { SetMark(m_markOut); });
}

QString MainWindow::KeysText() const {
    QString text;
    for (const auto& key : kKeyList)
        text += QString::fromLatin1(key.keys) + QStringLiteral("\t") + tr(key.what) + QStringLiteral("\n");
    return text;
}

void MainWindow::TogglePlay() {
    if (m_player.IsPlaying()) m_player.Stop();
    else m_player.Start(PlayMode::Play);
}

void MainWindow::Step(bool forward) {
    m_player.Stop();  // a step is one picture from where playback is now
    forward ? m_player.StepForward() : m_player.StepBack();
}

void MainWindow::ChangeFastSpeed(int by) {
    const int level = std::clamp(m_player.FastSpeed() + by, 0, kFastSpeedMax);
    m_player.SetFastSpeed(level);
    if (SkinSlider* slider = m_bar->Slider(IDC_BAR_SPEED)) slider->SetPos(level * kSpeedSliderStep);
}

void MainWindow::ShowGoTo() {
    if (!m_goTo) {
        m_goTo = std::make_unique<GoToDialog>(this);
        connect(m_goTo.get(), &QDialog::accepted, this, [this] { m_player.SeekTo(m_goTo->Time()); });
    }
    m_goTo->SetTime(m_player.CurrentTime().value_or(0));
    m_goTo->open();
}

void MainWindow::ShowKeys() {
    if (!m_keysHelp) {
        QString table = QStringLiteral("<table>");
        for (const auto& key : kKeyList)
            table += QStringLiteral("<tr><td><b>%1</b>&nbsp;&nbsp;</td><td>%2</td></tr>")
                         .arg(QString::fromLatin1(key.keys).toHtmlEscaped(), tr(key.what).toHtmlEscaped());
        table += QStringLiteral("</table>");
        m_keysHelp = std::make_unique<QMessageBox>(QMessageBox::NoIcon, tr("Keys"), table, QMessageBox::Ok, this);
        m_keysHelp->setTextFormat(Qt::RichText);
        m_keysHelp->setModal(false);
    }
    m_keysHelp->show();
}

void MainWindow::RebuildCameraMenu() {
    m_cameraMenu->clear();
    const std::vector<int> cameras = m_player.Cameras();
    for (int camera : cameras) {
        const std::string name = m_player.CameraName(camera);
        QString text = tr("Camera %1").arg(camera + 1);
        if (!name.empty()) text += QStringLiteral(" - ") + QString::fromLocal8Bit(name.c_str());
        AddCommand(m_cameraMenu, text, ID_CAMERA_FIRST + camera);
    }
    m_cameraMenuAction->setVisible(cameras.size() > 1);
}

}  // namespace korvane
