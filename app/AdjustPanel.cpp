#include "app/AdjustPanel.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include <cmath>
#include <memory>

namespace korvane {
namespace {

// Contrast and gamma sliders run over log2 of the factor, so that halving
// and doubling are equally far from the middle.
int FactorToSlider(double factor) { return static_cast<int>(std::lround(std::log2(factor) * 100)); }
double SliderToFactor(int value) { return std::round(std::exp2(value / 100.0) * 100) / 100; }

std::unique_ptr<QSlider> MakeSlider(int limit) {
    auto slider = std::make_unique<QSlider>(Qt::Horizontal);
    slider->setRange(-limit, limit);
    slider->setMinimumWidth(160);
    return slider;
}

}  // namespace

AdjustPanel::AdjustPanel(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setWindowTitle(QStringLiteral("Picture adjustments"));
    auto brightness = MakeSlider(PictureAdjustments::kBrightnessLimit);
    auto contrast = MakeSlider(FactorToSlider(PictureAdjustments::kMaxFactor));
    auto gamma = MakeSlider(FactorToSlider(PictureAdjustments::kMaxFactor));
    auto deinterlace = std::make_unique<QCheckBox>(QStringLiteral("Deinterlace"));
    auto reset = std::make_unique<QPushButton>(QStringLiteral("Reset"));
    m_brightness = brightness.get();
    m_contrast = contrast.get();
    m_gamma = gamma.get();
    m_deinterlace = deinterlace.get();
    for (QSlider* slider : {m_brightness, m_contrast, m_gamma})
        connect(slider, &QSlider::valueChanged, this, [this] { emit Changed(Values()); });
    connect(m_deinterlace, &QCheckBox::toggled, this, [this] { emit Changed(Values()); });
    connect(reset.get(), &QPushButton::clicked, this, [this] {
        Show({});
        emit Changed({});
    });
    auto form = std::make_unique<QFormLayout>();
    form->addRow(QStringLiteral("Brightness"), brightness.release());
    form->addRow(QStringLiteral("Contrast"), contrast.release());
    form->addRow(QStringLiteral("Gamma"), gamma.release());
    form->addRow(deinterlace.release());
    form->addRow(reset.release());
    setLayout(form.release());
}

PictureAdjustments AdjustPanel::Values() const {
    PictureAdjustments values;
    values.brightness = m_brightness->value();
    values.contrast = SliderToFactor(m_contrast->value());
    values.gamma = SliderToFactor(m_gamma->value());
    values.deinterlace = m_deinterlace->isChecked();
    return values;
}

void AdjustPanel::Show(const PictureAdjustments& values) {
    const QSignalBlocker b(m_brightness), c(m_contrast), g(m_gamma), d(m_deinterlace);
    m_brightness->setValue(values.brightness);
    m_contrast->setValue(FactorToSlider(values.contrast));
    m_gamma->setValue(FactorToSlider(values.gamma));
    m_deinterlace->setChecked(values.deinterlace);
}

}  // namespace korvane
