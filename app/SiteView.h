// The picture area of the window: the site view. With several cameras it
// shows them side by side in a grid of tiles (1, 2x2, 3x3 or 4x4, chosen
// from the number of cameras unless the user chose one); with one camera,
// the 1-tile layout, or a camera shown alone, it is the single view with its
// zoom, adjustments and text lines. It tells the engine which cameras are
// shown and at what size, and keeps the tiles' selection on the engine's
// selected camera.
#pragma once

#include <QWidget>

#include <vector>

namespace korvane {

class Session;
class PlayerView;
class TileGrid;

class SiteView : public QWidget {
    Q_OBJECT

public:
    // The engine must outlive the view.
    explicit SiteView(Session& session, QWidget* parent = nullptr);
    ~SiteView() override;

    PlayerView& Single() const { return *m_single; }
    TileGrid& Grid() const { return *m_grid; }

    // The grid's side chosen (1 to 4), or 0: from the number of cameras.
    void ChooseSide(int side);
    int ChosenSide() const { return m_chosen; }
    // The side of the grid the session's cameras get now.
    int Side() const;
    // Whether tiles are on screen (several cameras, a grid, none shown alone).
    bool GridShown() const;
    // Whether a grid of several tiles is the layout (shown or left for one camera alone).
    bool GridLayout() const;
    // The selected camera alone in the view, or back to the grid; the time stays.
    void ToggleAlone();
    bool Alone() const { return m_alone; }
    // Selects the camera `step` places after the selected one, round the end.
    void MoveSelection(int step);
    // Selects a camera; false when it has no picture.
    bool Select(int camera);

signals:
    // The layout, the cameras or the camera shown alone changed.
    void Changed();

private:
    void Apply();
    void ShowTileSize();

    Session& m_session;
    PlayerView* m_single = nullptr;  // owned by the stack
    TileGrid* m_grid = nullptr;      // owned by the stack
    int m_chosen = 0;
    bool m_alone = false;
};

}  // namespace korvane
