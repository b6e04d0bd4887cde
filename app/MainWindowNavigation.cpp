// The window's ways to find a moment: the timeline and readout strip under
// the picture, the keys, the go-to dialog and the key list.
// All of them go through the engine's public interface.
#include <QAction>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QVBoxLayout>

#include <algorithm>

#include "app/GoToDialog.h"
#include "app/MainWindow.h"
#include "app/PlayerView.h"
#include "controls/PositionReadout.h"
#include "controls/Timeline.h"
#include "playback/Session.h"
#include "recording/TimeStamp.h"

namespace korvane {
namespace {

constexpr std::int64_t kShortJump = 10'000;  // Shift+Left/Right
constexpr std::int64_t kLongJump = 60'000;   // PgUp/PgDn
constexpr int kFastSpeedMax = 5;

}  // namespace

void MainWindow::BuildNavigation(QVBoxLayout& layout) {
    auto strip = std::make_unique<QWidget>();
    auto row = std::make_unique<QHBoxLayout>();
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto timeline = std::make_unique<Timeline>();
    timeline->Attach(m_session);
    m_timeline = timeline.get();
    row->addWidget(timeline.release(), 1);
    auto readout = std::make_unique<PositionReadout>();
    readout->Attach(m_session);
    m_readout = readout.get();
    row->addWidget(readout.release());
    strip->setLayout(row.release());
    layout.addWidget(strip.release());
    // The clip marks (I and O) as brackets on the timeline.
    connect(this, &MainWindow::MarksChanged, this, [this] {
        const auto millis = [](const std::optional<SystemTime>& t) {
            return t ? std::optional<std::int64_t>(CaptureMilliseconds(*t)) : std::nullopt;
        };
        m_timeline->SetMarks(millis(m_markIn), millis(m_markOut));
    });
}

void MainWindow::HandleNavigation() {
    Handle(Command::Previous, [this] { Step(false); });
    Handle(Command::Next, [this] { Step(true); });
    Handle(Command::First, [this] { m_session.SeekToFirst(); });
    Handle(Command::Last, [this] { m_session.SeekToLast(); });
    Handle(Command::BackShort, [this] { m_session.SeekBy(-kShortJump); });
    Handle(Command::ForwardShort, [this] { m_session.SeekBy(kShortJump); });
    Handle(Command::BackLong, [this] { m_session.SeekBy(-kLongJump); });
    Handle(Command::ForwardLong, [this] { m_session.SeekBy(kLongJump); });
    Handle(Command::Faster, [this] { ChangeFastSpeed(1); });
    Handle(Command::Slower, [this] { ChangeFastSpeed(-1); });
    Handle(Command::GoTo, [this] { ShowGoTo(); });
    Handle(Command::Keys, [this] { ShowKeys(); });
}

QString MainWindow::KeysText() const {
    QString text;
    for (const QAction* action : m_actions->WithKeys()) {
        QStringList keys;
        for (const QKeySequence& key : action->shortcuts()) keys << key.toString(QKeySequence::NativeText);
        text += keys.join(QStringLiteral(", ")) + QLatin1Char('\t') + action->statusTip() + QLatin1Char('\n');
    }
    return text;
}

void MainWindow::Step(bool forward) {
    m_session.Stop();  // a step is one picture from where playback is now
    forward ? m_session.StepForward() : m_session.StepBack();
}

void MainWindow::ChangeFastSpeed(int by) {
    const int level = std::clamp(m_session.FastSpeed() + by, 0, kFastSpeedMax);
    m_session.SetFastSpeed(level);
    m_bar->ShowSpeed(level);
}

void MainWindow::ShowGoTo() {
    if (!m_goTo) {
        m_goTo = std::make_unique<GoToDialog>(this);
        connect(m_goTo.get(), &GoToDialog::Chosen, this, [this](std::int64_t time) { m_session.SeekTo(time); });
    }
    m_goTo->SetNow(m_session.CurrentTime().value_or(0));
    m_goTo->open();
}

void MainWindow::ShowKeys() {
    if (!m_keysHelp) {
        QString table = QStringLiteral("<table>");
        for (const QString& line : KeysText().split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QStringList parts = line.split(QLatin1Char('\t'));
            table += QStringLiteral("<tr><td><b>%1</b>&nbsp;&nbsp;</td><td>%2</td></tr>")
                         .arg(parts.value(0).toHtmlEscaped(), parts.value(1).toHtmlEscaped());
        }
        table += QStringLiteral("<tr><td><b>%1</b>&nbsp;&nbsp;</td><td>%2</td></tr></table>")
                     .arg(tr("Double click"), tr("A tile alone and back; for one camera, full screen or back"));
        m_keysHelp = std::make_unique<QMessageBox>(QMessageBox::NoIcon, tr("Keys"), table, QMessageBox::Ok, this);
        m_keysHelp->setTextFormat(Qt::RichText);
        m_keysHelp->setModal(false);
    }
    m_keysHelp->show();
}

}  // namespace korvane
