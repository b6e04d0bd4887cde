// The window's motion search: its panel, the search running beside
// playback over every recording of the session, the events as marks on the
// timeline, and N / Shift+N to go to the next or previous event.
#pragma once

#include <QObject>

#include <memory>
#include <optional>
#include <vector>

#include "app/PictureCommands.h"
#include "recording/RecordLayout.h"
#include "search/MotionSettings.h"

class QWidget;

namespace korvane {

class MotionSearchPanel;
class MotionSearchRunner;
class Session;
class PlayerView;
class Timeline;

class MotionSearchFlow : public QObject {
    Q_OBJECT

public:
    // Adds the search commands to `actions`. Everything given must outlive the flow.
    MotionSearchFlow(Actions& actions, const CommandHandler& handle, Session& session, PlayerView& view,
                     Timeline& timeline, QWidget& window, const std::optional<SystemTime>& markIn,
                     const std::optional<SystemTime>& markOut);
    ~MotionSearchFlow() override;

    // The panel, made and shown.
    MotionSearchPanel* Show();

private:
    void Start();
    void ShowEvents(const std::vector<MotionEvent>& events);
    void GoToEvent(bool forward);

    Session& m_session;
    PlayerView& m_view;
    Timeline& m_timeline;
    QWidget& m_window;
    const std::optional<SystemTime>& m_markIn;
    const std::optional<SystemTime>& m_markOut;
    std::unique_ptr<MotionSearchRunner> m_runner;
    std::unique_ptr<MotionSearchPanel> m_panel;
};

}  // namespace korvane
