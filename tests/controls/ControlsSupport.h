// Helpers of the control tests: the pixels a widget paints compared with the
// skin PNGs kept in the source tree.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

namespace korvane::testing {

// The PNG of a skin bitmap as committed, premultiplied as painting leaves it.
inline QImage SkinPng(int id) {
    QImage image(QString(KORVANE_SOURCE_DIR "/res/skin/%1.png").arg(id));
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// What the widget paints by itself, over transparency.
inline QImage Rendered(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

// The skin number (among `ids`) whose PNG the widget paints pixel for pixel;
// 0 when it paints none of them.
inline int ShownSkin(QWidget& widget, std::initializer_list<int> ids) {
    const QImage shown = Rendered(widget);
    for (int id : ids)
        if (SkinPng(id) == shown) return id;
    return 0;
}

}  // namespace korvane::testing
