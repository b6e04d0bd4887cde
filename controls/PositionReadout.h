// The readout beside the timeline: the capture date and time of the picture
// shown, and the direction and pace of playback.
#pragma once

#include <QString>
#include <QWidget>

#include "playback/Session.h"

namespace korvane {

class PositionReadout : public QWidget {
    Q_OBJECT

public:
    explicit PositionReadout(QWidget* parent = nullptr);

    // The engine the readout follows. It must outlive the readout.
    void Attach(Session& session);
    // What it shows: "YYYY-MM-DD HH:MM:SS.mmm  <direction and speed>".
    const QString& Text() const { return m_text; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Update();

    Session* m_session = nullptr;
    QString m_text;
    double m_reached = 0;  // the multiple the running mode reaches; 0 until it is known
};

// The direction and pace of a mode: "||" paused, "> 1x", "< 1x", ">> 8x",
// "<< 8x" (fast modes at their multiple); with `reached`, when a fast mode
// falls short of its multiple by more than a tenth, the multiple reached too: ">> 64x (41x)".
QString DirectionText(PlayMode mode, int fastSpeed, double reached = 0);

}  // namespace korvane
