// The window's motion search panel: the region (dragged on the picture, or
// the whole picture), the settings, the span (the marked one or all), Start
// and Cancel with progress, and the events found as a list; choosing one
// goes there. It edits and shows; the window runs the search.
#pragma once

#include <QWidget>

#include <vector>

#include "search/MotionSettings.h"

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace korvane {

class MotionSearchPanel : public QWidget {
    Q_OBJECT

public:
    explicit MotionSearchPanel(QWidget* parent = nullptr);

    MotionSettings Settings() const;
    bool MarkedSpanOnly() const;
    void SetRegion(const MotionRegion& region);

    // A search began, made progress, found an event, ended (with a sentence when it did not finish).
    void Started();
    void ShowProgress(int permille);
    void Add(const MotionEvent& event);
    void Ended(const QString& note);
    const std::vector<MotionEvent>& Events() const { return m_events; }

    QPushButton* StartButton() const { return m_start; }
    QPushButton* CancelButton() const { return m_cancel; }
    QListWidget* List() const { return m_list; }

signals:
    void StartRequested();
    void CancelRequested();
    void PickRegionRequested();
    void WholePictureRequested();
    void EventChosen(korvane::MotionEvent event);

private:
    MotionRegion m_region;
    std::vector<MotionEvent> m_events;
    QLabel* m_regionText = nullptr;
    QSpinBox* m_sensitivity = nullptr;
    QDoubleSpinBox* m_minSize = nullptr;
    QSpinBox* m_minDuration = nullptr;
    QCheckBox* m_keysOnly = nullptr;
    QCheckBox* m_markedOnly = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_cancel = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_note = nullptr;
    QListWidget* m_list = nullptr;
};

}  // namespace korvane
