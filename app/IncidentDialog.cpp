#include "app/IncidentDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

#include "recording/TimeStamp.h"

namespace korvane {
IncidentDialog::IncidentDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Export incident"));
    auto form = std::make_unique<QFormLayout>();
    const auto field = [&form](const QString& label, auto widget) {
        auto* raw = widget.get();
        form->addRow(label, widget.release());
        return raw;
    };
    m_from = field(tr("&From:"), std::make_unique<QLineEdit>());
    m_from->setPlaceholderText(tr("the first picture"));
    m_to = field(tr("&To:"), std::make_unique<QLineEdit>());
    m_to->setPlaceholderText(tr("the last picture"));
    m_cameras = field(tr("&Cameras:"), std::make_unique<QListWidget>());
    m_note = field(tr("&Note:"), std::make_unique<QLineEdit>());
    m_note->setPlaceholderText(tr("What happened, for the manifest and the report"));
    m_container = field(tr("C&lips:"), std::make_unique<QComboBox>());
    m_container->addItem(tr("Matroska (.mkv)"), QStringLiteral(".mkv"));
    m_container->addItem(tr("MP4 (.mp4)"), QStringLiteral(".mp4"));

    auto folderRow = std::make_unique<QHBoxLayout>();
    auto folder = std::make_unique<QLineEdit>();
    m_folder = folder.get();
    folderRow->addWidget(folder.release(), 1);
    auto choose = std::make_unique<QPushButton>(tr("C&hoose..."));
    choose->setAutoDefault(false);
    connect(choose.get(), &QPushButton::clicked, this, &IncidentDialog::ChooseFolder);
    folderRow->addWidget(choose.release());
    form->addRow(tr("F&older:"), folderRow.release());

    auto layout = std::make_unique<QVBoxLayout>();
    layout->addLayout(form.release());
    auto hint = std::make_unique<QLabel>(tr("Times as 2023-06-14 17:59:10.500. The folder is made, or must be empty."));
    hint->setEnabled(false);
    layout->addWidget(hint.release());
    auto refusal = std::make_unique<QLabel>();
    refusal->setWordWrap(true);
    refusal->setStyleSheet(QStringLiteral("color: #c01c28"));
    refusal->hide();
    m_refusal = refusal.get();
    layout->addWidget(refusal.release());
    auto buttons = std::make_unique<QDialogButtonBox>(QDialogButtonBox::Cancel);
    QPushButton* start = buttons->addButton(tr("&Export"), QDialogButtonBox::AcceptRole);
    connect(buttons.get(), &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons.get(), &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons.release());
    setLayout(layout.release());
    start->setDefault(true);  // once in the dialog: Enter exports, whichever field it is typed in
    setWindowModality(Qt::WindowModal);
}

void IncidentDialog::Prepare(const QString& from, const QString& to, const std::vector<Camera>& cameras,
                             const QString& folder) {
    m_from->setText(from);
    m_to->setText(to);
    m_cameras->clear();
    for (const Camera& camera : cameras) {
        auto item = std::make_unique<QListWidgetItem>(camera.label);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
        item->setData(Qt::UserRole, camera.camera);
        m_cameras->addItem(item.release());
    }
    if (m_cameras->count() > 0) m_cameras->setCurrentRow(0);
    m_folder->setText(folder);
    m_refusal->clear();
    m_refusal->hide();
}

QString IncidentDialog::Refusal() const { return m_refusal->text(); }

std::optional<IncidentRequest> IncidentDialog::Read(QString& why) const {
    IncidentRequest request;
    for (const auto& [editor, bound] : {std::pair{m_from, &request.fromMs}, std::pair{m_to, &request.toMs}}) {
        const std::string text = editor->text().trimmed().toStdString();
        if (text.empty()) continue;
        const TimeReading reading = ReadCaptureTime(text);
        if (!reading.time) {
            why = QString::fromStdString(reading.error);
            return std::nullopt;
        }
        *bound = CaptureMilliseconds(*reading.time);
    }
    if (request.fromMs && request.toMs && *request.fromMs > *request.toMs) {
        why = tr("The span ends before it starts.");
        return std::nullopt;
    }
    std::vector<int> cameras;
    for (int row = 0; row < m_cameras->count(); ++row)
        if (m_cameras->item(row)->checkState() == Qt::Checked) cameras.push_back(m_cameras->item(row)->data(Qt::UserRole).toInt() + 1);
    if (cameras.empty()) {
        why = tr("Check at least one camera.");
        return std::nullopt;
    }
    request.cameras = cameras;
    const QString folder = m_folder->text().trimmed();
    const QFileInfo info(folder);
    if (folder.isEmpty()) {
        why = tr("Name the folder the package goes into.");
        return std::nullopt;
    }
    if (info.exists() && !info.isDir()) {
        why = tr("%1 is a file, not a folder.").arg(folder);
        return std::nullopt;
    }
    if (info.isDir() && !QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        why = tr("The folder %1 already holds files: choose a new or an empty folder.").arg(folder);
        return std::nullopt;
    }
    request.folder = QDir::cleanPath(info.absoluteFilePath()).toLocal8Bit().toStdString();
    request.note = m_note->text().trimmed().toStdString();
    request.extension = m_container->currentData().toString().toStdString();
    return request;
}

void IncidentDialog::accept() {
    QString why;
    const std::optional<IncidentRequest> request = Read(why);
    if (!request) {
        m_refusal->setText(why);
        m_refusal->show();
        return;
    }
    m_refusal->clear();
    m_refusal->hide();
    QDialog::accept();
    emit Chosen(*request);
}

void IncidentDialog::ChooseFolder() {
    const QString start = m_folder->text().isEmpty() ? QDir::homePath() : QFileInfo(m_folder->text()).absolutePath();
    const QString chosen = QFileDialog::getExistingDirectory(this, tr("The incident package's folder"), start);
    if (!chosen.isEmpty()) m_folder->setText(chosen);
}

}  // namespace korvane
