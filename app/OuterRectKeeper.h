// Keeps a top-level window's outer rectangle (frame included) through a
// change of its decorations. A window manager reports the new frame's
// margins only some time after the window was shown again, so the client
// rectangle is fitted once at once and again whenever the window moves,
// resizes or the margins change, until the margins have held for a moment.
#pragma once

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QMargins>
#include <QObject>
#include <QRect>
#include <QSize>

#include <functional>

class QWidget;

namespace korvane {

class OuterRectKeeper : public QObject {
    Q_OBJECT

public:
    using Margins = std::function<QMargins()>;

    // margins: the window's frame margins as now known (the window handle's,
    // unless a test gives its own). The window's minimum size, taken now, is
    // that of its outer rectangle.
    explicit OuterRectKeeper(QWidget& window, Margins margins = {});
    ~OuterRectKeeper() override;

    // The outer rectangle the window has now, or the one being kept.
    QRect Outer() const;
    // Keeps `outer` for the window from now until the margins have settled.
    void Keep(const QRect& outer);
    bool Keeping() const { return m_settle.isActive(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void Fit();

    QWidget& m_window;
    Margins m_margins;
    QSize m_outerMinimum;
    QRect m_outer;
    QMargins m_lastMargins;
    QBasicTimer m_settle;     // looks at the margins now and then while keeping
    QElapsedTimer m_stable;   // since the margins last changed
    QElapsedTimer m_started;  // since Keep
};

}  // namespace korvane
