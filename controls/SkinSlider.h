// A horizontal trackbar painted with a channel bitmap and a thumb bitmap
// whose top-left colour is transparent. It keeps a trackbar's behaviour: a
// press on the thumb drags it, a press beside it pages towards the pointer
// (repeating while held), the wheel steps it, and every change made by the
// user is reported as a scroll notification. Until it is skinned it paints
// nothing and swallows presses, releases and wheel turns; it never reacts to
// the keyboard.
#pragma once

#include <QAbstractSlider>
#include <QBasicTimer>

#include <memory>

#include "controls/MaskedBitmap.h"

namespace korvane {

class SkinSlider : public QAbstractSlider {
    Q_OBJECT

public:
    // How the user moved the slider: a step or a page, dragging the thumb,
    // letting it go, to an end; Ended closes every move.
    enum class Scroll { LineUp, LineDown, PageUp, PageDown, ThumbReleased, ThumbDragged, Top, Bottom, Ended };

    explicit SkinSlider(QWidget* parent = nullptr);
    ~SkinSlider() override;

    // Loads the channel and thumb bitmaps by skin number. No repaint is asked for.
    void SetSkin(int channelId, int thumbId, bool skinned);
    // The range, then the position at its minimum.
    void SetRange(int nMin, int nMax, bool redraw);
    void SetPos(int pos);
    int GetPos() const { return value(); }
    bool IsSkinned() const { return m_skinned; }

    // Left edge of the thumb for a position: (width - 15) x pos / (max - min + 7) + 5.
    int ThumbX(int pos) const;

signals:
    // A change made by the user, after the position has moved.
    void Scrolled(korvane::SkinSlider::Scroll how);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    static constexpr int kThumbWidth = 10;
    static constexpr int kWheelLines = 3;

    // The position whose thumb lies nearest to a left edge at x.
    int PositionForThumbX(int x) const;
    void MoveTo(int pos, Scroll how);
    void PageTowards(int x);

    std::unique_ptr<MaskedBitmap> m_channel;
    std::unique_ptr<MaskedBitmap> m_thumb;
    bool m_dragging = false;
    bool m_skinned = false;

    bool m_thumbHeld = false;  // the press is dragging the thumb, not paging
    int m_grabOffset = 0;      // where on the thumb it was taken
    int m_pageTarget = 0;      // the pointer's x while paging
    int m_wheelRest = 0;       // wheel turn not yet a whole notch
    QBasicTimer m_pageRepeat;
};

}  // namespace korvane
