#include "app/MotionSearchPanel.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include <memory>

#include "recording/TimeStamp.h"

namespace korvane {
namespace {

QString TimeText(std::int64_t ms) { return QString::fromStdString(FormatCaptureTime(FromCaptureMilliseconds(ms))); }

}  // namespace

MotionSearchPanel::MotionSearchPanel(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setWindowTitle(QStringLiteral("Motion search"));
    const MotionSettings defaults;
    auto regionText = std::make_unique<QLabel>();
    auto pick = std::make_unique<QPushButton>(QStringLiteral("Drag a region..."));
    auto whole = std::make_unique<QPushButton>(QStringLiteral("Whole picture"));
    auto sensitivity = std::make_unique<QSpinBox>();
    sensitivity->setRange(MotionSettings::kMinSensitivity, MotionSettings::kMaxSensitivity);
    sensitivity->setValue(defaults.sensitivity);
    auto minSize = std::make_unique<QDoubleSpinBox>();
    minSize->setRange(0.05, 50);
    minSize->setDecimals(2);
    minSize->setSingleStep(0.1);
    minSize->setSuffix(QStringLiteral(" % of the region"));
    minSize->setValue(defaults.minSizePercent);
    auto minDuration = std::make_unique<QSpinBox>();
    minDuration->setRange(0, 60'000);
    minDuration->setSingleStep(250);
    minDuration->setSuffix(QStringLiteral(" ms"));
    minDuration->setValue(static_cast<int>(defaults.minDurationMs));
    auto keysOnly = std::make_unique<QCheckBox>(QStringLiteral("Quick: key pictures only (coarser)"));
    auto markedOnly = std::make_unique<QCheckBox>(QStringLiteral("Only between the marks (I and O)"));
    auto start = std::make_unique<QPushButton>(QStringLiteral("Search"));
    auto cancel = std::make_unique<QPushButton>(QStringLiteral("Cancel"));
    cancel->setEnabled(false);
    auto progress = std::make_unique<QProgressBar>();
    progress->setRange(0, 1000);
    progress->setValue(0);
    auto note = std::make_unique<QLabel>();
    note->setWordWrap(true);
    auto list = std::make_unique<QListWidget>();
    list->setMinimumHeight(160);
    list->setIconSize(QSize(88, 72));

    m_regionText = regionText.get();
    m_sensitivity = sensitivity.get();
    m_minSize = minSize.get();
    m_minDuration = minDuration.get();
    m_keysOnly = keysOnly.get();
    m_markedOnly = markedOnly.get();
    m_start = start.get();
    m_cancel = cancel.get();
    m_progress = progress.get();
    m_note = note.get();
    m_list = list.get();
    connect(pick.get(), &QPushButton::clicked, this, &MotionSearchPanel::PickRegionRequested);
    connect(whole.get(), &QPushButton::clicked, this, [this] {
        SetRegion({});
        emit WholePictureRequested();
    });
    connect(m_start, &QPushButton::clicked, this, &MotionSearchPanel::StartRequested);
    connect(m_cancel, &QPushButton::clicked, this, &MotionSearchPanel::CancelRequested);
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && static_cast<std::size_t>(row) < m_events.size()) emit EventChosen(m_events[static_cast<std::size_t>(row)]);
    });

    auto regionRow = std::make_unique<QHBoxLayout>();
    regionRow->addWidget(regionText.release(), 1);
    regionRow->addWidget(pick.release());
    regionRow->addWidget(whole.release());
    auto buttons = std::make_unique<QHBoxLayout>();
    buttons->addWidget(start.release());
    buttons->addWidget(cancel.release());
    buttons->addWidget(progress.release(), 1);
    auto form = std::make_unique<QFormLayout>();
    form->addRow(QStringLiteral("Region"), regionRow.release());
    form->addRow(QStringLiteral("Sensitivity"), sensitivity.release());
    form->addRow(QStringLiteral("Minimum size"), minSize.release());
    form->addRow(QStringLiteral("Minimum duration"), minDuration.release());
    form->addRow(keysOnly.release());
    form->addRow(markedOnly.release());
    form->addRow(buttons.release());
    form->addRow(note.release());
    form->addRow(list.release());
    setLayout(form.release());
    SetRegion({});
}

MotionSettings MotionSearchPanel::Settings() const {
    MotionSettings s;
    s.region = m_region;
    s.sensitivity = m_sensitivity->value();
    s.minSizePercent = m_minSize->value();
    s.minDurationMs = m_minDuration->value();
    s.keysOnly = m_keysOnly->isChecked();
    return s;
}

bool MotionSearchPanel::MarkedSpanOnly() const { return m_markedOnly->isChecked(); }

void MotionSearchPanel::SetRegion(const MotionRegion& region) {
    m_region = region;
    m_regionText->setText(region.Whole() ? QStringLiteral("the whole picture")
                                         : QStringLiteral("%1 x %2 at %3, %4")
                                               .arg(region.width)
                                               .arg(region.height)
                                               .arg(region.x)
                                               .arg(region.y));
}

void MotionSearchPanel::Started() {
    m_events.clear();
    m_list->clear();
    m_note->clear();
    m_progress->setValue(0);
    m_start->setEnabled(false);
    m_cancel->setEnabled(true);
}

void MotionSearchPanel::ShowProgress(int permille) { m_progress->setValue(permille); }

void MotionSearchPanel::Add(const MotionEvent& event) {
    m_events.push_back(event);
    auto item = std::make_unique<QListWidgetItem>(QStringLiteral("%1  to  %2   peak %3 %")
                                                      .arg(TimeText(event.startMs), TimeText(event.endMs).mid(11))
                                                      .arg(event.peakPercent, 0, 'f', 1));
    const Thumbnail& t = event.first;
    if (t.width > 0 && t.luma.size() == static_cast<std::size_t>(t.width) * static_cast<std::size_t>(t.height)) {
        const QImage small(t.luma.data(), t.width, t.height, t.width, QImage::Format_Grayscale8);
        item->setIcon(QIcon(QPixmap::fromImage(small.copy())));
    }
    m_list->addItem(item.release());
}

void MotionSearchPanel::Ended(const QString& note) {
    m_start->setEnabled(true);
    m_cancel->setEnabled(false);
    m_note->setText(note);
}

}  // namespace korvane
