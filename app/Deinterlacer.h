// Deinterlacing of one picture with libavfilter's bwdif (yadif where bwdif
// is missing). The filter tells motion between the fields from the picture
// before: where nothing moved it keeps both fields, where something moved it
// makes the picture from one field. Without a picture before, it cannot tell,
// and a still scene is what it assumes.
#pragma once

#include <QImage>

namespace korvane {

// The picture deinterlaced, as BGR888; the picture itself when the filter
// cannot run. `before` is the picture shown before it (of the same size), if any.
QImage Deinterlaced(const QImage& picture, const QImage& before = {});

}  // namespace korvane
