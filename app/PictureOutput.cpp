#include "app/PictureOutput.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSettings>

#include "app/PictureSaver.h"
#include "app/PlayerView.h"
#include "playback/Session.h"

namespace korvane {
namespace {

const QString kPictureFolderKey = QStringLiteral("Export/PictureFolder");
const QString kCaptionLinesKey = QStringLiteral("Export/CaptionLines");

}  // namespace

PictureOutput::PictureOutput(Session& session, const PlayerView& view, QWidget& window,
                             std::function<QSettings&()> choices)
    : m_session(session), m_view(view), m_window(window), m_choices(std::move(choices)) {}

void PictureOutput::PrintTo(QPaintDevice& device) const {
    QPainter painter(&device);
    if (!painter.isActive()) return;
    m_view.Paint(painter, QRect(0, 0, device.width(), device.height()), true);
}

void PictureOutput::Print() {
    QPrinter printer;
    QPrintDialog dialog(&printer, &m_window);
    if (dialog.exec() != QDialog::Accepted) return;
    PrintTo(printer);
}

bool PictureOutput::SaveTo(const QString& path, bool withCaptionLines, bool adjusted) const {
    QImage image = PictureImage(m_view, withCaptionLines, adjusted);
    // What was applied goes into the file (a PNG text chunk, a JPEG comment).
    if (adjusted && !m_view.Adjustments().Neutral()) image.setText(QStringLiteral("Adjustments"), m_view.Adjustments().Tag());
    return !image.isNull() && SaveImage(image, path);
}

void PictureOutput::Save() {
    const PictureHandle picture = m_view.Shown();
    if (!picture) return;
    QSettings& choices = m_choices();
    const QString folder = choices.value(kPictureFolderKey, QDir::homePath()).toString();
    const QString site = QString::fromLocal8Bit(m_session.SiteName().c_str());
    QFileDialog dialog(&m_window, QStringLiteral("Save picture"),
                       QDir(folder).filePath(SuggestedPictureName(site, *picture, SavedPart(m_view))),
                       QStringLiteral("PNG picture (*.png);;JPEG picture (*.jpg *.jpeg)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);  // it carries the check boxes
    auto lines = std::make_unique<QCheckBox>(QStringLiteral("Draw the caption lines in"));
    lines->setChecked(choices.value(kCaptionLinesKey, true).toBool());
    QCheckBox* check = lines.get();
    // Adjustments go into a saved picture only when asked for, each time.
    auto adjusted = std::make_unique<QCheckBox>(
        QStringLiteral("Apply the picture adjustments (%1)").arg(m_view.Adjustments().Tag()));
    QCheckBox* applyAdjustments = adjusted.get();
    adjusted->setVisible(!m_view.Adjustments().Neutral());
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        grid->addWidget(lines.release(), grid->rowCount(), 0, 1, grid->columnCount());
        grid->addWidget(adjusted.release(), grid->rowCount(), 0, 1, grid->columnCount());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = dialog.selectedFiles().front();
    choices.setValue(kPictureFolderKey, QFileInfo(path).absolutePath());
    choices.setValue(kCaptionLinesKey, check->isChecked());
    if (!SaveTo(path, check->isChecked(), applyAdjustments->isVisible() && applyAdjustments->isChecked()))
        QMessageBox::warning(&m_window, QStringLiteral("Korvane"), QStringLiteral("Cannot write ") + path);
}

}  // namespace korvane
