#include "app/PictureSaver.h"

#include <QPainter>

#include <cstdio>

#include "app/PlayerView.h"

namespace korvane {

QString SuggestedPictureName(const QString& site, const Picture& p) {
    const SystemTime& t = p.captureTime;
    char time[64];
    std::snprintf(time, sizeof time, "%04d-%02d-%02d_%02d-%02d-%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.milliseconds);
    const QString name = QStringLiteral("CAM%1_%2.png").arg(p.camera + 1).arg(QString::fromLatin1(time));
    return site.isEmpty() ? name : site + QLatin1Char('_') + name;
}

QImage PictureImage(const PlayerView& view, bool withCaptionLines) {
    if (!view.Shown()) return {};
    const Picture& p = *view.Shown();
    const QImage picture(p.pixels.data(), p.width, p.height, p.width * 3, QImage::Format_BGR888);
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
