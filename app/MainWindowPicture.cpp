// The window's picture adjustments: their keys and their panel.
#include "app/Actions.h"
#include "app/AdjustPanel.h"
#include "app/MainWindow.h"
#include "app/PlayerView.h"

namespace korvane {
namespace {

constexpr int kBrightnessStep = 8;
constexpr double kFactorStep = 1.1;

}  // namespace

void MainWindow::BuildPictureCommands() {
    Actions& a = CommandActions();
    a.Add(Command::OriginalSize, tr("Original size"), {}, tr("One screen pixel for each picture pixel"));
    a.Add(Command::FitToWindow, tr("Fit to window"), {}, tr("The whole picture, in its proportions, in the window"));
    a.Add(Command::WholePicture, tr("Whole picture"), {Qt::Key_0}, tr("Out of the zoom: the whole picture again"));
    a.Add(Command::SmoothZoom, tr("Smooth zoom"), {}, tr("Smooth scaling above 4x instead of square pixels"), true);
    a.Add(Command::AdjustPanel, tr("Picture adjustments..."), {Qt::Key_A}, tr("Brightness, contrast, gamma, deinterlacing"));
    Handle(Command::OriginalSize, [this] { m_view->OriginalSize(); });
    Handle(Command::FitToWindow, [this] {
        m_view->WholePicture();
        SetKeepProportions(true);
    });
    Handle(Command::WholePicture, [this] { m_view->WholePicture(); });
    Handle(Command::SmoothZoom, [this] { m_view->SetSmoothZoom(!m_view->Magnifier().Smooth()); });
    Handle(Command::AdjustPanel, [this] { ShowAdjustPanel(); });
    using Change = void (*)(PictureAdjustments&);
    const struct { Command command; const char* text; QKeySequence key; Change change; } steps[] = {
        {Command::Brighter, "Brighter", Qt::Key_L, [](PictureAdjustments& p) { p.brightness += kBrightnessStep; }},
        {Command::Darker, "Darker", QKeySequence(Qt::SHIFT | Qt::Key_L), [](PictureAdjustments& p) { p.brightness -= kBrightnessStep; }},
        {Command::MoreContrast, "More contrast", Qt::Key_C, [](PictureAdjustments& p) { p.contrast *= kFactorStep; }},
        {Command::LessContrast, "Less contrast", QKeySequence(Qt::SHIFT | Qt::Key_C), [](PictureAdjustments& p) { p.contrast /= kFactorStep; }},
        {Command::GammaUp, "Gamma up", Qt::Key_G, [](PictureAdjustments& p) { p.gamma *= kFactorStep; }},
        {Command::GammaDown, "Gamma down", QKeySequence(Qt::SHIFT | Qt::Key_G), [](PictureAdjustments& p) { p.gamma /= kFactorStep; }},
        {Command::Deinterlace, "Deinterlace", Qt::Key_D, [](PictureAdjustments& p) { p.deinterlace = !p.deinterlace; }},
        {Command::ResetAdjustments, "No adjustments", Qt::Key_R, [](PictureAdjustments& p) { p = {}; }},
    };
    for (const auto& step : steps) {
        a.Add(step.command, tr(step.text), {step.key}, tr(step.text));
        Handle(step.command, [this, change = step.change] { Adjust(change); });
    }
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
