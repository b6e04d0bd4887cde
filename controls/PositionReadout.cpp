#include "controls/PositionReadout.h"

#include <QPainter>

#include "controls/SkinColours.h"
#include "controls/Timeline.h"
#include "recording/TimeStamp.h"

namespace korvane {

QString DirectionText(PlayMode mode, int fastSpeed, double reached) {
    const int multiple = FastMultiple(fastSpeed);
    const QString shortOf = reached > 0 && reached < 0.9 * multiple ? QStringLiteral(" (%1x)").arg(reached, 0, 'f', 0)
                                                                     : QString();
    switch (mode) {
        case PlayMode::Idle: return QStringLiteral("||");
        case PlayMode::Play:
        case PlayMode::PlaySound: return QStringLiteral("> 1x");
        case PlayMode::BackPlay: return QStringLiteral("< 1x");
        case PlayMode::FastPlay: return QStringLiteral(">> %1x").arg(multiple) + shortOf;
        case PlayMode::FastBackPlay: return QStringLiteral("<< %1x").arg(multiple) + shortOf;
    }
    return {};
}

PositionReadout::PositionReadout(QWidget* parent) : QWidget(parent) {
    setFixedHeight(kTimelineHeight);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent);
    Update();
}

void PositionReadout::Attach(Session& session) {
    m_session = &session;
    connect(&session, &Session::PictureShown, this, &PositionReadout::Update);
    connect(&session, &Session::ModeChanged, this, [this] {
        m_reached = 0;
        Update();
    });
    connect(&session, &Session::RateReached, this, [this](double rate) {
        m_reached = rate;
        Update();
    });
    connect(&session, &Session::Opened, this, &PositionReadout::Update);
    connect(&session, &Session::PictureCleared, this, &PositionReadout::Update);
    Update();
}

QSize PositionReadout::sizeHint() const {
    const QString widest = QStringLiteral("0000-00-00 00:00:00.000  << 64x (64x)");
    return {fontMetrics().horizontalAdvance(widest) + 12, kTimelineHeight};
}

void PositionReadout::Update() {
    const auto time = m_session ? m_session->CurrentTime() : std::nullopt;
    const QString when = time ? QString::fromStdString(FormatCaptureTime(FromCaptureMilliseconds(*time)))
                              : QStringLiteral("----------  --:--:--.---");
    const QString how = m_session ? DirectionText(m_session->Mode(), m_session->FastSpeed(), m_reached) : DirectionText(PlayMode::Idle, 0);
    m_text = when + QStringLiteral("  ") + how;
    setFixedWidth(sizeHint().width());
    update();
}

void PositionReadout::paintEvent(QPaintEvent*) {
    const SkinColours& skin = Skin();
    QPainter painter(this);
    painter.fillRect(rect(), skin.base);
    painter.setPen(skin.text);
    painter.drawText(rect().adjusted(6, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft, m_text);
}

}  // namespace korvane
