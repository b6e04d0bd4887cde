#include "controls/SkinBitmaps.h"

#include <QString>

#include <mutex>

// The resource list lives in a static library: its registration has to be
// pulled in by name.
static void RegisterSkinResources() { Q_INIT_RESOURCE(skin); }

namespace korvane {

QImage LoadSkinBitmap(int id) {
    static std::once_flag once;
    std::call_once(once, RegisterSkinResources);
    QImage image(QString(":/skin/%1.png").arg(id));
    if (image.isNull()) return image;
    return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace korvane
