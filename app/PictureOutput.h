// The shown picture leaving the window: printed (Ctrl+P) in its
// proportions with its text lines, or saved (Ctrl+S) at its own pixels as
// PNG or JPEG, under a suggested name, with or without the text lines and
// the picture adjustments, in the folder used last.
#pragma once

#include <QString>

#include <functional>

class QPaintDevice;
class QSettings;
class QWidget;

namespace korvane {

class Session;
class PlayerView;

class PictureOutput {
public:
    // The engine, the view and the window must outlive it; `choices` keeps the folder and the check box.
    PictureOutput(Session& session, const PlayerView& view, QWidget& window, std::function<QSettings&()> choices);

    // Draws the view's picture on the device (a printer's printable area) in
    // its proportions, centred, with its text lines.
    void PrintTo(QPaintDevice& device) const;
    // Asks for a printer and prints.
    void Print();
    // Saves the shown picture to path (PNG, or JPEG by its name); false when none is shown or it cannot be written.
    bool SaveTo(const QString& path, bool withCaptionLines, bool adjusted = false) const;
    // Asks where, with or without the lines and adjustments, and saves.
    void Save();

private:
    Session& m_session;
    const PlayerView& m_view;
    QWidget& m_window;
    std::function<QSettings&()> m_choices;
};

}  // namespace korvane
