// The window's picture adjustments: their keys and their panel.
#include "app/AdjustPanel.h"
#include "app/MainWindow.h"
#include "app/PlayerView.h"

namespace korvane {
namespace {

constexpr int kBrightnessStep = 8;
constexpr double kFactorStep = 1.1;

}  // namespace

void MainWindow::BuildPictureKeys() {
    BindKey({Qt::Key_B}, [this] { Adjust([](PictureAdjustments& a) { a.brightness += kBrightnessStep; }); });
    BindKey({QKeySequence(Qt::SHIFT | Qt::Key_B)},
            [this] { Adjust([](PictureAdjustments& a) { a.brightness -= kBrightnessStep; }); });
    BindKey({Qt::Key_C}, [this] { Adjust([](PictureAdjustments& a) { a.contrast *= kFactorStep; }); });
    BindKey({QKeySequence(Qt::SHIFT | Qt::Key_C)}, [this] { Adjust([](PictureAdjustments& a) { a.contrast /= kFactorStep; }); });
    BindKey({Qt::Key_G}, [this] { Adjust([](PictureAdjustments& a) { a.gamma *= kFactorStep; }); });
    BindKey({QKeySequence(Qt::SHIFT | Qt::Key_G)}, [this] { Adjust([](PictureAdjustments& a) { a.gamma /= kFactorStep; }); });
    BindKey({Qt::Key_D}, [this] { Adjust([](PictureAdjustments& a) { a.deinterlace = !a.deinterlace; }); });
    BindKey({Qt::Key_R}, [this] { Adjust([](PictureAdjustments& a) { a = {}; }); });
}

void MainWindow::Adjust(const std::function<void(PictureAdjustments&)>& change) {
    PictureAdjustments values = m_view->Adjustments();
    change(values);
    // Steps that come back to 1 land on it exactly.
    for (double* factor : {&values.contrast, &values.gamma})
        if (std::abs(*factor - 1.0) < 1e-9) *factor = 1.0;
    m_view->SetAdjustments(values);
    if (m_adjustPanel) m_adjustPanel->Show(m_view->Adjustments());
}

void MainWindow::ShowAdjustPanel() {
    if (!m_adjustPanel) {
        m_adjustPanel = std::make_unique<AdjustPanel>(this);
        connect(m_adjustPanel.get(), &AdjustPanel::Changed, m_view, &PlayerView::SetAdjustments);
    }
    m_adjustPanel->Show(m_view->Adjustments());
    m_adjustPanel->show();
    m_adjustPanel->raise();
}

}  // namespace korvane
