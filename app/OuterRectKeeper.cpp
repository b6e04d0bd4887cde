#include "app/OuterRectKeeper.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace korvane {
namespace {

constexpr int kLookMs = 40;
// Margins unchanged this long count as settled; nothing is kept longer than the limit.
constexpr qint64 kSettledMs = 400;
constexpr qint64 kLimitMs = 3000;

}  // namespace

OuterRectKeeper::OuterRectKeeper(QWidget& window, Margins margins)
    : m_window(window), m_margins(std::move(margins)), m_outerMinimum(window.minimumSize()) {
    if (!m_margins) {
        m_margins = [this] {
            const QWindow* handle = m_window.windowHandle();
            return handle != nullptr ? handle->frameMargins() : QMargins();
        };
    }
}

OuterRectKeeper::~OuterRectKeeper() { m_window.removeEventFilter(this); }

QRect OuterRectKeeper::Outer() const {
    if (Keeping()) return m_outer;
    return m_window.geometry().marginsAdded(m_margins());
}

void OuterRectKeeper::Keep(const QRect& outer) {
    m_outer = outer;
    m_lastMargins = m_margins();
    m_stable.start();
    m_started.start();
    m_window.removeEventFilter(this);
    m_window.installEventFilter(this);
    m_settle.start(kLookMs, this);
    Fit();
}

void OuterRectKeeper::Fit() {
    const QMargins margins = m_margins();
    // The minimum holds for the outer rectangle: a frame takes its share of it.
    m_window.setMinimumSize(m_outerMinimum.shrunkBy(margins));
    const QRect client = m_outer.marginsRemoved(margins);
    if (m_window.geometry() != client) m_window.setGeometry(client);
}

bool OuterRectKeeper::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_window && Keeping()) {
        switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::Show:
                Fit();
                break;
            default: break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void OuterRectKeeper::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_settle.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    const QMargins margins = m_margins();
    if (margins != m_lastMargins) {
        m_lastMargins = margins;
        m_stable.start();
    }
    Fit();
    if (m_stable.elapsed() >= kSettledMs || m_started.elapsed() >= kLimitMs) {
        m_settle.stop();
        m_window.removeEventFilter(this);
    }
}

}  // namespace korvane
