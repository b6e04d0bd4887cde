// The readout beside the timeline: the capture date and time of the picture
// shown, and the direction and speed of playback.
#pragma once

#include <QString>
#include <QWidget>

#include "playback/Player.h"

namespace korvane {

class PositionReadout : public QWidget {
    Q_OBJECT

public:
    explicit PositionReadout(QWidget* parent = nullptr);

    // The engine the readout follows. It must outlive the readout.
    void Attach(Player& player);
    // What it shows: "YYYY-MM-DD HH:MM:SS.mmm  <direction and speed>".
    const QString& Text() const { return m_text; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Update();

    Player* m_player = nullptr;
    QString m_text;
};

// The direction and speed of a mode: "||" paused, "> 1x", "< 1x", ">> 3", "<< 3"
// (fast modes with their speed level 0 to 5).
QString DirectionText(PlayMode mode, int fastSpeed);

}  // namespace korvane
