// The small panel of picture adjustments: brightness, contrast and gamma
// sliders, deinterlacing, and a reset. It edits values; the view applies them.
#pragma once

#include <QWidget>

#include "app/PictureAdjust.h"

class QCheckBox;
class QSlider;

namespace korvane {

class AdjustPanel : public QWidget {
    Q_OBJECT

public:
    explicit AdjustPanel(QWidget* parent = nullptr);

    PictureAdjustments Values() const;
    // Shows the values without announcing them.
    void Show(const PictureAdjustments& values);

signals:
    void Changed(korvane::PictureAdjustments values);

private:
    QSlider* m_brightness = nullptr;
    QSlider* m_contrast = nullptr;  // log2 of the factor, in hundredths
    QSlider* m_gamma = nullptr;
    QCheckBox* m_deinterlace = nullptr;
};

}  // namespace korvane
