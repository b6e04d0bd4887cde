// The picture area of the window: paints the engine's current picture
// over itself with its two text lines (in its proportions with black bars,
// or stretched), and takes the input that
// belongs to the picture (a double click for full screen, dragging the
// captionless window, a dropped recording). It also sizes the window for a
// zoom factor, switches full screen and shows or hides caption and menu.
#pragma once

#include <QMargins>
#include <QRect>
#include <QWidget>

#include <functional>
#include <memory>

#include "app/PictureAdjust.h"
#include "app/WindowDrag.h"
#include "app/ZoomPan.h"
#include "decode/Picture.h"
#include "playback/Session.h"

class QPainter;

namespace korvane {

class OuterRectKeeper;

class PlayerView : public QWidget {
    Q_OBJECT

public:
    explicit PlayerView(Session& session, QWidget* parent = nullptr);
    ~PlayerView() override;

    // Paints the picture and its two text lines into target (the view, or a
    // printer's page): the whole of target, or the largest rectangle of the
    // picture's proportions centred in it when `keepProportions`.
    void Paint(QPainter& painter, const QRect& target, bool keepProportions) const;
    // The two text lines over a picture drawn in `area`.
    void PaintLines(QPainter& painter, const QRect& area) const;
    // The part of target the picture covers.
    QRect PictureRect(const QRect& target, bool keepProportions) const;
    void SetKeepProportions(bool keep);
    bool KeepProportions() const { return m_keepProportions; }
    void SetZoom(int factor);
    // The digital zoom into the picture (wheel, drag, inset).
    const ZoomPan& Magnifier() const { return m_magnifier; }
    void WholePicture();
    void SetSmoothZoom(bool smooth);
    // Brightness, contrast, gamma and deinterlacing of what is shown.
    const PictureAdjustments& Adjustments() const { return m_adjustments; }
    void SetAdjustments(const PictureAdjustments& adjustments);
    // While picking, a drag on the picture marks a region (in picture
    // pixels) instead of panning or moving the window; RegionPicked reports it.
    void PickRegion(bool picking) { m_picking = picking; }
    bool Picking() const { return m_picking; }
    // A region outlined over the picture (picture pixels); empty for none.
    void ShowRegion(const QRect& region);
    // The picture pixel under a point of the view.
    QPointF PicturePoint(QPointF at) const;
    // The shown picture whole, adjusted as shown; null without a picture.
    QImage ShownImage() const;
    // The window sized so that one screen pixel shows one picture pixel, as far as the screen allows.
    void OriginalSize();
    void ToggleFullScreen();
    // What a double click on the picture does: full screen or back unless set.
    void SetDoubleClick(std::function<void()> action) { m_doubleClick = std::move(action); }
    void ToggleMenu();
    // Asks for a recording and opens it; a cancelled dialog changes nothing.
    // The dialog starts in the folder of the recording opened last.
    void OpenWithDialog();
    // The folder the dialog starts in before any recording was opened.
    void SetStartFolder(const QString& folder) { m_startFolder = folder; }
    QString DialogFolder() const;

signals:
    // The window was sized for a zoom factor, whoever asked for it.
    void ZoomChanged(int factor);
    void RegionPicked(QRect region);

public:

    bool MenuHidden() const { return m_menuHidden; }
    // Where the menu toggle learns the window's frame margins (the window
    // handle unless set); for tests that play a late window manager.
    void SetFrameMarginsSource(std::function<QMargins()> margins) { m_frameMargins = std::move(margins); }
    bool FullScreen() const { return m_fullScreen; }
    const PictureHandle& Shown() const { return m_picture; }
    // What the view says while it has no picture.
    static QString EmptyHint();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    Session& m_session;
    PictureHandle m_picture;  // what the engine showed last
    PictureHandle m_before;   // and the one before it (deinterlacing sees motion against it)
    bool m_keepProportions = true;
    QString m_startFolder;
    bool m_menuHidden = true;
    bool m_fullScreen = false;
    QRect m_restoreGeometry;
    std::function<QMargins()> m_frameMargins;
    std::unique_ptr<OuterRectKeeper> m_outerKeeper;  // made at the first toggle, for the window of that time
    WindowDrag m_drag;
    QPointF m_panFrom;     // where the last pan step left the pointer
    ZoomPan m_magnifier;
    PictureAdjustments m_adjustments;
    bool m_picking = false;
    QRect m_region;            // outlined, picture pixels
    // The last adjusted picture, made again when the picture or the adjustments change.
    mutable PictureHandle m_adjustedFrom;
    mutable PictureAdjustments m_adjustedWith;
    mutable QImage m_adjusted;
    std::function<void()> m_doubleClick;
};

}  // namespace korvane
