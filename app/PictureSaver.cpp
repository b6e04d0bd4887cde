#include "app/PictureSaver.h"

#include <QPainter>

#include "app/PlayerView.h"
#include "recording/TimeStamp.h"

namespace korvane {

QString SuggestedPictureName(const QString& site, const Picture& p, const QRect& part, const QString& applied) {
    // The capture time with '_' and '-' for the characters file names avoid.
    QString time = QString::fromStdString(FormatCaptureTime(p.captureTime));
    time.replace(QLatin1Char(' '), QLatin1Char('_')).replace(QLatin1Char(':'), QLatin1Char('-'));
    QString name = QStringLiteral("CAM%1_%2").arg(p.camera + 1).arg(time);
    if (!part.isNull()) {
        name += QStringLiteral("_%1,%2_%3x%4").arg(part.x()).arg(part.y()).arg(part.width()).arg(part.height());
    }
    if (!applied.isEmpty()) name += QLatin1Char('_') + applied;
    name += QStringLiteral(".png");
    return site.isEmpty() ? name : site + QLatin1Char('_') + name;
}

QRect SavedPart(const PlayerView& view) {
    if (!view.Shown() || !view.Magnifier().Zoomed()) return {};
    return view.Magnifier().VisiblePixels(QSizeF(view.Shown()->width, view.Shown()->height));
}

QImage PictureImage(const PlayerView& view, bool withCaptionLines, bool adjusted) {
    if (!view.Shown()) return {};
    const Picture& p = *view.Shown();
    const QImage picture = adjusted ? view.ShownImage()
                                    : QImage(p.Bytes().data(), p.width, p.height, p.width * 3, QImage::Format_BGR888);
    const QRect part = SavedPart(view);
    QImage image = part.isNull() ? picture.copy() : picture.copy(part);
    if (!withCaptionLines) return image;
    image.convertTo(QImage::Format_RGB888);
    QPainter painter(&image);
    view.PaintLines(painter, image.rect());
    return image;
}

bool SaveImage(const QImage& image, const QString& path) {
    const QString lower = path.toLower();
    const bool jpeg = lower.endsWith(QStringLiteral(".jpg")) || lower.endsWith(QStringLiteral(".jpeg"));
    return image.save(path, jpeg ? "JPEG" : "PNG", jpeg ? 95 : -1);
}

}  // namespace korvane
