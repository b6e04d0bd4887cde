#include "app/PictureCommands.h"

#include <cmath>

#include "app/AdjustPanel.h"
#include "app/PlayerView.h"

namespace korvane {
namespace {

constexpr int kBrightnessStep = 8;
constexpr double kFactorStep = 1.1;

}  // namespace

PictureCommands::PictureCommands(Actions& a, const CommandHandler& handle, PlayerView& view, QWidget& window,
                                 std::function<void(bool)> keepProportions)
    : m_view(view), m_window(window), m_keepProportions(std::move(keepProportions)) {
    a.Add(Command::OriginalSize, tr("Original size"), {}, tr("One screen pixel for each picture pixel"));
    a.Add(Command::FitToWindow, tr("Fit to window"), {}, tr("The whole picture, in its proportions, in the window"));
    a.Add(Command::WholePicture, tr("Whole picture"), {Qt::Key_0}, tr("Out of the zoom: the whole picture again"));
    a.Add(Command::SmoothZoom, tr("Smooth zoom"), {}, tr("Smooth scaling above 4x instead of square pixels"), true);
    a.Add(Command::AdjustPanel, tr("Picture adjustments..."), {Qt::Key_A}, tr("Brightness, contrast, gamma, deinterlacing"));
    handle(Command::OriginalSize, [this] { m_view.OriginalSize(); });
    handle(Command::FitToWindow, [this] {
        m_view.WholePicture();
        m_keepProportions(true);
    });
    handle(Command::WholePicture, [this] { m_view.WholePicture(); });
    handle(Command::SmoothZoom, [this] { m_view.SetSmoothZoom(!m_view.Magnifier().Smooth()); });
    handle(Command::AdjustPanel, [this] { ShowPanel(); });
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
        handle(step.command, [this, change = step.change] { Adjust(change); });
    }
}

PictureCommands::~PictureCommands() = default;

void PictureCommands::Adjust(void (*change)(PictureAdjustments&)) {
    PictureAdjustments values = m_view.Adjustments();
    change(values);
    // Steps that come back to 1 land on it exactly.
    for (double* factor : {&values.contrast, &values.gamma})
        if (std::abs(*factor - 1.0) < 1e-9) *factor = 1.0;
    m_view.SetAdjustments(values);
    if (m_panel) m_panel->Show(m_view.Adjustments());
}

void PictureCommands::ShowPanel() {
    if (!m_panel) {
        m_panel = std::make_unique<AdjustPanel>(&m_window);
        connect(m_panel.get(), &AdjustPanel::Changed, &m_view, &PlayerView::SetAdjustments);
    }
    m_panel->Show(m_view.Adjustments());
    m_panel->show();
    m_panel->raise();
}

}  // namespace korvane
