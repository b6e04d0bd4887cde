#include "app/Actions.h"

#include <QAction>
#include <QWidget>

namespace korvane {
namespace {

struct CommandText {
    Command command;
    const char* text;  // in the menu
    const char* tip;   // on the bar, followed by the keys
    QList<QKeySequence> keys;
    bool checkable;
};

const QList<CommandText>& WindowCommands() {
    static const QList<CommandText> commands = {
        {Command::Open, "&Open...", "Open a recording", {QKeySequence::Open}, false},
        {Command::SavePicture, "&Save picture...", "Save the picture", {QKeySequence(Qt::CTRL | Qt::Key_S)}, false},
        {Command::ExportClip, "&Export clip...", "Export the clip between the marks", {QKeySequence(Qt::CTRL | Qt::Key_E)}, false},
        {Command::Print, "&Print...", "Print the picture", {QKeySequence(Qt::CTRL | Qt::Key_P)}, false},
        {Command::Exit, "E&xit", "Exit", {QKeySequence(Qt::CTRL | Qt::Key_Q)}, false},
        {Command::Play, "&Play", "Play or pause", {Qt::Key_Space}, true},
        {Command::BackPlay, "Play &backward", "Play backward or pause", {Qt::Key_Backspace}, true},
        {Command::Pause, "P&ause", "Pause", {Qt::Key_Pause}, false},
        {Command::Stop, "S&top", "Stop", {Qt::Key_MediaStop}, false},
        {Command::FastPlay, "&Fast forward", "Fast forward or pause", {Qt::Key_BracketRight}, true},
        {Command::FastBackPlay, "Fast back&ward", "Fast backward or pause", {Qt::Key_BracketLeft}, true},
        {Command::Previous, "Pre&vious picture", "Previous picture", {Qt::Key_Left}, false},
        {Command::Next, "&Next picture", "Next picture", {Qt::Key_Right}, false},
        {Command::First, "F&irst picture", "First picture", {Qt::Key_Home}, false},
        {Command::Last, "&Last picture", "Last picture", {Qt::Key_End}, false},
        {Command::BackShort, "Ten seconds back", "Ten seconds back", {QKeySequence(Qt::SHIFT | Qt::Key_Left)}, false},
        {Command::ForwardShort, "Ten seconds forward", "Ten seconds forward", {QKeySequence(Qt::SHIFT | Qt::Key_Right)}, false},
        {Command::BackLong, "One minute back", "One minute back", {Qt::Key_PageUp}, false},
        {Command::ForwardLong, "One minute forward", "One minute forward", {Qt::Key_PageDown}, false},
        {Command::Faster, "Fast speed up", "Fast speed up", {Qt::Key_Plus}, false},
        {Command::Slower, "Fast speed down", "Fast speed down", {Qt::Key_Minus}, false},
        {Command::Sound, "S&ound", "Sound", {Qt::Key_S}, true},
        {Command::Zoom1, "&1x", "1x", {Qt::Key_1}, true},
        {Command::Zoom2, "&2x", "2x", {Qt::Key_2}, true},
        {Command::Zoom3, "&3x", "3x", {Qt::Key_3}, true},
        {Command::KeepProportions, "&Keep proportions", "Keep proportions", {}, true},
        {Command::FullScreen, "F&ull screen", "Full screen or back", {Qt::Key_F, Qt::Key_Return, Qt::Key_Enter}, false},
        {Command::LeaveFullScreen, "Leave full screen", "Leave full screen", {Qt::Key_Escape}, false},
        {Command::ToggleMenu, "&Menu and caption", "Menu and caption on or off", {Qt::Key_M}, false},
        {Command::GoTo, "&Go to...", "Go to a capture time", {QKeySequence(Qt::CTRL | Qt::Key_G)}, false},
        {Command::MarkIn, "Mark clip &start", "Mark where a clip starts", {Qt::Key_I}, false},
        {Command::MarkOut, "Mark clip &end", "Mark where a clip ends", {Qt::Key_O}, false},
        {Command::Keys, "&Keys", "The keys", {Qt::Key_F1}, false},
        {Command::About, "&About Korvane", "About Korvane", {}, false},
    };
    return commands;
}

}  // namespace

QString TipWithKeys(const QString& tip, const QList<QKeySequence>& keys) {
    QStringList names;
    for (const QKeySequence& key : keys) names << key.toString(QKeySequence::NativeText);
    return names.isEmpty() ? tip : tip + QStringLiteral(" (") + names.join(QStringLiteral(", ")) + QLatin1Char(')');
}

Actions::Actions(QWidget& window) : m_window(window) {
    for (const CommandText& entry : WindowCommands())
        Add(entry.command, QString::fromUtf8(entry.text), entry.keys, QString::fromUtf8(entry.tip), entry.checkable);
}

QAction* Actions::Add(Command command, const QString& text, const QList<QKeySequence>& keys, const QString& tip,
                      bool checkable) {
    QAction* action = m_window.addAction(text);  // owned by the window
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setToolTip(TipWithKeys(tip, keys));
    action->setStatusTip(tip);
    action->setCheckable(checkable);
    m_actions[command] = action;
    m_order.push_back(action);
    return action;
}

QList<QAction*> Actions::WithKeys() const {
    QList<QAction*> keyed;
    for (QAction* action : m_order)
        if (!action->shortcuts().isEmpty()) keyed.push_back(action);
    return keyed;
}

}  // namespace korvane
