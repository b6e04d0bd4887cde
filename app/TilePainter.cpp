#include "app/TilePainter.h"

#include <QImage>
#include <QPainter>
#include <QPen>

#include "recording/TimeStamp.h"

namespace korvane {
namespace {

constexpr int kFrameWidth = 2;
const QColor kSelectedFrame(255, 200, 0);

void DrawLine(QPainter& painter, int x, int y, const std::string& text) {
    painter.drawText(QRect(x, y, 4096, 64), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace

QRect FittedRect(QSize picture, const QRect& target) {
    if (picture.width() <= 0 || picture.height() <= 0) return target;
    picture.scale(target.size(), Qt::KeepAspectRatio);
    return QRect(target.topLeft() + QPoint((target.width() - picture.width()) / 2, (target.height() - picture.height()) / 2),
                 picture);
}

QImage PixelsImage(const Picture& p) {
    if (p.width <= 0 || p.height <= 0 || p.Bytes().size() < std::size_t(p.width) * p.height * 3) return {};
    return QImage(p.Bytes().data(), p.width, p.height, p.width * 3, QImage::Format_BGR888);
}

void PaintTextLines(QPainter& painter, const QRect& area, const std::string& first, const std::string& second) {
    painter.save();
    painter.setPen(Qt::black);
    DrawLine(painter, area.left() + 9, area.top() + 9, first);
    DrawLine(painter, area.left() + 9, area.top() + 25, second);
    if (!first.empty()) {
        painter.setPen(Qt::white);
        DrawLine(painter, area.left() + 10, area.top() + 10, first);
        DrawLine(painter, area.left() + 10, area.top() + 26, second);
    }
    painter.restore();
}

QString NoRecordingText(const std::optional<std::int64_t>& next) {
    const QString later = next ? QStringLiteral("Next picture %1")
                                     .arg(QString::fromStdString(FormatCaptureTime(FromCaptureMilliseconds(*next))))
                               : QStringLiteral("No later picture");
    return QStringLiteral("No recording\n") + later;
}

void PaintTile(QPainter& painter, const QRect& tile, const TileContent& content, bool selected) {
    painter.fillRect(tile, Qt::black);
    const QRect inner = tile.adjusted(kFrameWidth, kFrameWidth, -kFrameWidth, -kFrameWidth);
    const QImage picture = content.picture && !content.noRecording ? PixelsImage(*content.picture) : QImage();
    if (!picture.isNull()) {
        const QRect area = FittedRect(picture.size(), inner);
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(area, picture);
        painter.restore();
        PaintTextLines(painter, area, content.picture->caption, content.name);
    } else {
        // Who the dark tile belongs to, and when its camera has a picture again.
        const std::string who = "CAM =" + std::to_string(content.camera + 1);
        PaintTextLines(painter, inner, who, content.name);
        if (content.noRecording) {
            painter.save();
            painter.setPen(QColor(200, 200, 200));
            painter.drawText(inner, Qt::AlignCenter | Qt::TextWordWrap, NoRecordingText(content.next));
            painter.restore();
        }
    }
    if (selected) {
        painter.save();
        painter.setPen(QPen(kSelectedFrame, kFrameWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(tile).adjusted(kFrameWidth / 2.0, kFrameWidth / 2.0, -kFrameWidth / 2.0,
                                               -kFrameWidth / 2.0));
        painter.restore();
    }
}

}  // namespace korvane
