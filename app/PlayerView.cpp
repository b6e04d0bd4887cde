// Putting the picture on the screen and shaping the window around it: the
// picture in its proportions or stretched, with its two text lines, zoom, full screen, the caption
// and menu toggle, and dragging the captionless window by its picture.
#include <algorithm>
#include <utility>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QGuiApplication>
#include <QImage>
#include <QMainWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QRegion>
#include <QScreen>
#include <QWheelEvent>
#include <QWindow>

#include "app/PlayerView.h"
#include "app/OuterRectKeeper.h"
#include "app/TilePainter.h"

namespace korvane {
namespace {

constexpr int kBaseWidth = 352;
constexpr int kBaseHeight = 240;
constexpr double kWidthFactor = 0.9;

// The inset in the picture's bottom right corner: the whole picture, small,
// with a frame round the part the view shows.
void PaintInset(QPainter& painter, const QRect& area, const QImage& picture, const ZoomPan& magnifier) {
    if (picture.isNull()) return;
    const int width = std::max(48, area.width() / 5);
    const int height = width * picture.height() / std::max(1, picture.width());
    const QRect inset(area.right() - width - 8, area.bottom() - height - 8, width, height);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(inset, picture);
    const QRectF v = magnifier.Visible(picture.size());
    const double scale = static_cast<double>(width) / picture.width();
    painter.setPen(QPen(Qt::yellow, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(inset.left() + v.left() * scale, inset.top() + v.top() * scale, v.width() * scale,
                            v.height() * scale));
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(inset.adjusted(-1, -1, 0, 0));
    painter.restore();
}

}  // namespace

PlayerView::PlayerView(Session& session, QWidget* parent) : QWidget(parent), m_session(session) {
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent);  // the old picture stays until the new one covers it
    connect(&session, &Session::PictureShown, this, [this](PictureHandle picture) {
        if (picture != m_picture) m_before = std::exchange(m_picture, std::move(picture));
        update();
    });
    connect(&session, &Session::PictureCleared, this, [this] {
        m_picture.reset();
        m_before.reset();
        update();
    });
}

PlayerView::~PlayerView() = default;

QRect PlayerView::PictureRect(const QRect& target, bool keepProportions) const {
    if (!keepProportions || !m_picture) return target;
    // The picture's width is its display width (720-wide pictures come cropped to 704).
    return FittedRect(QSize(m_picture->width, m_picture->height), target);
}

void PlayerView::SetKeepProportions(bool keep) {
    m_keepProportions = keep;
    update();
}

QImage PlayerView::ShownImage() const {
    if (!m_picture) return {};
    const Picture& p = *m_picture;
    const QImage picture = PixelsImage(p);
    if (picture.isNull() || m_adjustments.Neutral()) return picture;
    if (m_adjustedFrom != m_picture || m_adjustedWith != m_adjustments) {
        QImage before;
        if (m_before && m_before->width == p.width && m_before->height == p.height) before = PixelsImage(*m_before);
        m_adjusted = Adjusted(picture, m_adjustments, before);
        m_adjustedFrom = m_picture;
        m_adjustedWith = m_adjustments;
    }
    return m_adjusted;
}

void PlayerView::SetAdjustments(const PictureAdjustments& adjustments) {
    m_adjustments = adjustments.Clamped();
    update();
}

void PlayerView::Paint(QPainter& painter, const QRect& target, bool keepProportions) const {
    const QImage picture = ShownImage();
    if (picture.isNull()) return;
    const QRect area = PictureRect(target, keepProportions);

    painter.save();
    // Unzoomed, rows and columns are dropped or repeated; zoomed in a little
    // the picture is smoothed, and far in its pixels show as squares.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_magnifier.Zoomed() && !m_magnifier.SharpPixels());
    painter.drawImage(QRectF(area), picture, m_magnifier.Visible(picture.size()));
    painter.restore();
    PaintLines(painter, area);
}

void PlayerView::PaintLines(QPainter& painter, const QRect& area) const {
    if (m_picture) PaintTextLines(painter, area, m_picture->caption, m_picture->streamInfo);
}

void PlayerView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Black where no picture lies: the bars beside a picture in its
    // proportions, and everything when there is no picture.
    const QRect area = m_picture ? PictureRect(rect(), m_keepProportions) : QRect();
    const QRegion bars = QRegion(rect()).subtracted(area);
    for (const QRect& bar : bars) painter.fillRect(bar, Qt::black);
    if (!m_picture) {
        // The empty window says how to fill it.
        painter.setPen(QColor(200, 200, 200));
        painter.drawText(rect().adjusted(16, 16, -16, -16), Qt::AlignCenter | Qt::TextWordWrap, EmptyHint());
        return;
    }
    Paint(painter, rect(), m_keepProportions);
    if (m_picture && !m_region.isEmpty()) {
        // The search region, mapped through the zoom.
        const QRectF v = m_magnifier.Visible(QSizeF(m_picture->width, m_picture->height));
        const double sx = area.width() / v.width(), sy = area.height() / v.height();
        painter.setPen(QPen(QColor(255, 140, 0), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(area.left() + (m_region.left() - v.left()) * sx, area.top() + (m_region.top() - v.top()) * sy,
                                m_region.width() * sx, m_region.height() * sy));
    }
    if (m_picture && m_magnifier.Zoomed()) PaintInset(painter, area, ShownImage(), m_magnifier);
}

void PlayerView::WholePicture() {
    m_magnifier.Reset();
    update();
}

void PlayerView::SetSmoothZoom(bool smooth) {
    m_magnifier.SetSmooth(smooth);
    update();
}

void PlayerView::OriginalSize() {
    if (!m_picture) return;
    QWidget* frame = window();
    const QSize around = frame->size() - size();  // the bar, the timeline, the menu
    QSize wanted = QSize(m_picture->width, m_picture->height) + around;
    if (const QScreen* screen = frame->screen()) wanted = wanted.boundedTo(screen->availableGeometry().size());
    m_magnifier.Reset();
    frame->resize(wanted);
    update();
}

void PlayerView::wheelEvent(QWheelEvent* event) {
    if (!m_picture || m_picture->width <= 0 || m_picture->height <= 0) return QWidget::wheelEvent(event);
    const double notches = event->angleDelta().y() / 120.0;
    m_magnifier.ZoomAt(event->position(), QRectF(PictureRect(rect(), m_keepProportions)),
                       QSizeF(m_picture->width, m_picture->height), notches);
    event->accept();
    update();
}

QString PlayerView::EmptyHint() {
    return tr("Open a recording with Ctrl+O or the open button below,\nor drop its file here.");
}

void PlayerView::SetZoom(int factor) {
    QWidget* frame = window();
    // The client area holds the view and the control bar. The non-client
    // height (decorations, and the menu bar when shown) grows with the
    // factor; the non-client width does not.
    const auto* mainWindow = qobject_cast<QMainWindow*>(frame);
    const int menuHeight =
        mainWindow && mainWindow->menuWidget() && mainWindow->menuWidget()->isVisible()
            ? mainWindow->menuWidget()->height()
            : 0;
    const int decorationHeight = frame->frameGeometry().height() - frame->geometry().height();
    const int nonClientHeight = decorationHeight + menuHeight;
    const int clientWidth = static_cast<int>(kBaseWidth * factor * kWidthFactor);
    const int totalHeight = nonClientHeight * factor + kBaseHeight * factor;
    frame->resize(clientWidth, totalHeight - decorationHeight);
    frame->show();
    emit ZoomChanged(factor);
}

void PlayerView::ToggleFullScreen() {
    QWidget* frame = window();
    if (!m_fullScreen) {
        const QScreen* screen = frame->screen() ? frame->screen() : QGuiApplication::primaryScreen();
        m_restoreGeometry = frame->geometry();
        if (screen) frame->setGeometry(QRect(QPoint(0, 0), screen->size()));
    } else {
        frame->setGeometry(m_restoreGeometry);
    }
    m_fullScreen = !m_fullScreen;
    frame->update();
}

// The caption and the menu come and go together; the window keeps its outer
// rectangle, so the decorations come out of (or go back into) it.
// The window manager gives the new frame's margins late; the keeper fits the
// window to the same outer rectangle until they have settled.
void PlayerView::ToggleMenu() {
    QWidget* frame = window();
    if (!m_outerKeeper) m_outerKeeper = std::make_unique<OuterRectKeeper>(*frame, m_frameMargins);
    auto* mainWindow = qobject_cast<QMainWindow*>(frame);
    const QRect outer = m_outerKeeper->Outer();
    const bool visible = frame->isVisible();
    const bool show = m_menuHidden;
    frame->setWindowFlag(Qt::FramelessWindowHint, !show);  // hides a shown window
    if (mainWindow && mainWindow->menuWidget()) mainWindow->menuWidget()->setVisible(show);
    if (visible) frame->showNormal();
    m_outerKeeper->Keep(outer);
    m_menuHidden = !show;
    update();
}

void PlayerView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_panFrom = event->position();
    m_drag.Press(*this, *event);
    QWidget::mousePressEvent(event);
}

QPointF PlayerView::PicturePoint(QPointF at) const {
    if (!m_picture) return {};
    const QRectF area(PictureRect(rect(), m_keepProportions));
    const QRectF v = m_magnifier.Visible(QSizeF(m_picture->width, m_picture->height));
    return {v.left() + (at.x() - area.left()) * v.width() / area.width(),
            v.top() + (at.y() - area.top()) * v.height() / area.height()};
}

void PlayerView::ShowRegion(const QRect& region) {
    m_region = region;
    update();
}

void PlayerView::mouseReleaseEvent(QMouseEvent* event) {
    if (m_picking && m_picture && event->button() == Qt::LeftButton) {
        const QRectF dragged = QRectF(PicturePoint(m_drag.Start()), PicturePoint(event->position())).normalized();
        const QRect region = dragged.toAlignedRect().intersected(QRect(0, 0, m_picture->width, m_picture->height));
        if (region.width() > 1 && region.height() > 1) {
            m_picking = false;
            ShowRegion(region);
            emit RegionPicked(region);
        }
    }
    QWidget::mouseReleaseEvent(event);
}

void PlayerView::mouseMoveEvent(QMouseEvent* event) {
    if (m_picking) return QWidget::mouseMoveEvent(event);
    // Zoomed, a drag moves the picture under the view instead.
    if ((event->buttons() & Qt::LeftButton) && m_magnifier.Zoomed() && m_picture) {
        m_magnifier.PanBy(event->position() - m_panFrom, QRectF(PictureRect(rect(), m_keepProportions)),
                          QSizeF(m_picture->width, m_picture->height));
        m_panFrom = event->position();
        update();
        return QWidget::mouseMoveEvent(event);
    }
    m_drag.Move(*this, *event, m_menuHidden);
    QWidget::mouseMoveEvent(event);
}

void PlayerView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_doubleClick ? m_doubleClick() : ToggleFullScreen();
    QWidget::mouseDoubleClickEvent(event);
}

QString PlayerView::DialogFolder() const {
    const std::string& open = m_session.FilePath();
    if (open.empty()) return m_startFolder;
    return QFileInfo(QString::fromLocal8Bit(open.data(), static_cast<qsizetype>(open.size()))).absolutePath();
}

void PlayerView::OpenWithDialog() {
    const QString chosen = QFileDialog::getOpenFileName(
        this, QString(), DialogFolder(), QStringLiteral("Recordings (*.MP4 *.mp4);;All Files (*)"));
    if (chosen.isEmpty()) return;  // cancelled: a running playback goes on
    m_session.Open(chosen.toLocal8Bit().toStdString());
}

void PlayerView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void PlayerView::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) return;
    const std::string path = urls.front().toLocalFile().toLocal8Bit().toStdString();
    event->acceptProposedAction();
    if (path == m_session.FilePath()) return;  // already open
    m_session.Open(path);
}

}  // namespace korvane
