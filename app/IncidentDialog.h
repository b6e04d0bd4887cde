// FILE > Export incident...: what goes into an incident package. The span
// (from the in and out marks, or the whole recordings; capture times people
// can edit, an empty field meaning the first or the last picture), the
// cameras by name (all checked), a note, the container, and the package's
// folder (new, or empty). What cannot be used is refused with a line in the
// dialog, which stays open.
#pragma once

#include <QDialog>
#include <QString>

#include <vector>

#include "clip/IncidentExport.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace korvane {

class IncidentDialog : public QDialog {
    Q_OBJECT

public:
    struct Camera {
        int camera = 0;  // 0-based
        QString label;
    };

    explicit IncidentDialog(QWidget* parent = nullptr);

    // Fills the dialog: the span's texts, the cameras (all checked), the suggested folder; the note is kept.
    void Prepare(const QString& from, const QString& to, const std::vector<Camera>& cameras, const QString& folder);
    QLineEdit* From() const { return m_from; }
    QLineEdit* To() const { return m_to; }
    QListWidget* Cameras() const { return m_cameras; }
    QLineEdit* Note() const { return m_note; }
    QLineEdit* Folder() const { return m_folder; }
    QComboBox* Container() const { return m_container; }
    // Why the choices were refused; empty while they were not.
    QString Refusal() const;

    void accept() override;

signals:
    // The span, cameras, note, container and folder chosen, as the dialog closes.
    void Chosen(korvane::IncidentRequest request);

private:
    // The request, or why not.
    std::optional<IncidentRequest> Read(QString& why) const;
    void ChooseFolder();

    QLineEdit* m_from = nullptr;  // the widgets are owned by the dialog
    QLineEdit* m_to = nullptr;
    QListWidget* m_cameras = nullptr;
    QLineEdit* m_note = nullptr;
    QLineEdit* m_folder = nullptr;
    QComboBox* m_container = nullptr;
    QLabel* m_refusal = nullptr;
};

}  // namespace korvane
