#include "app/PictureSaver.h"

#include <QPainter>

#include "app/PlayerView.h"
#include "recording/TimeStamp.h"

namespace korvane {

QString SuggestedPictureName(const QString& site, const Picture& p) {
    // The capture time with '_' and '-' for the characters file names avoid.
    QString time = QString::fromStdString(FormatCaptureTime(p.captureTime));
    time.replace(QLatin1Char(' '), QLatin1Char('_')).replace(QLatin1Char(':'), QLatin1Char('-'));
    const QString name = QStringLiteral("CAM%1_%2.png").arg(p.camera + 1).arg(time);
    return site.isEmpty() ? name : site + QLatin1Char('_') + name;
}

QImage PictureImage(const PlayerView& view, bool withCaptionLines) {
    if (!view.Shown()) return {};
    const Picture& p = *view.Shown();
    const QImage picture(p.Bytes().data(), p.width, p.height, p.width * 3, QImage::Format_BGR888);
    if (!withCaptionLines) return picture.copy();
    QImage image(p.width, p.height, QImage::Format_RGB888);
    QPainter painter(&image);
    view.Paint(painter, image.rect(), false);  // at its own size, nothing to letterbox
    return image;
}

bool SaveImage(const QImage& image, const QString& path) {
    const QString lower = path.toLower();
    const bool jpeg = lower.endsWith(QStringLiteral(".jpg")) || lower.endsWith(QStringLiteral(".jpeg"));
    return image.save(path, jpeg ? "JPEG" : "PNG", jpeg ? 95 : -1);
}

}  // namespace korvane
