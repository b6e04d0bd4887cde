#include "app/SiteView.h"

#include <QStackedLayout>

#include "app/PlayerView.h"
#include "app/SiteLayout.h"
#include "app/TileGrid.h"
#include "playback/Player.h"

namespace korvane {

SiteView::SiteView(Player& player, QWidget* parent) : QWidget(parent), m_player(player) {
    auto stack = std::make_unique<QStackedLayout>();
    auto single = std::make_unique<PlayerView>(player);
    m_single = single.get();
    stack->addWidget(single.release());
    auto grid = std::make_unique<TileGrid>();
    m_grid = grid.get();
    stack->addWidget(grid.release());
    setLayout(stack.release());

    m_single->SetDoubleClick([this] { m_alone ? ToggleAlone() : m_single->ToggleFullScreen(); });
    m_grid->SetFrameless([this] { return m_single->MenuHidden(); });
    connect(m_grid, &TileGrid::Clicked, this, &SiteView::Select);
    connect(m_grid, &TileGrid::DoubleClicked, this, [this](int camera) {
        if (Select(camera)) ToggleAlone();
    });
    connect(m_grid, &TileGrid::TileSizeChanged, this, &SiteView::ShowTileSize);
    // Every shown camera's picture goes to its tile; the selected camera's comes at its own size.
    connect(&player, &Player::CameraPictureShown, m_grid, &TileGrid::ShowPicture);
    connect(&player, &Player::PictureShown, m_grid, &TileGrid::ShowPicture);
    connect(&player, &Player::CameraWithoutPicture, m_grid, [this](int camera, qint64 next) {
        m_grid->ShowNoPicture(camera, next >= 0 ? std::optional<std::int64_t>(next) : std::nullopt);
    });
    connect(&player, &Player::Opened, this, [this] {
        m_alone = false;
        Apply();
    });
    connect(&player, &Player::IndexReady, this, &SiteView::Apply);
    connect(&player, &Player::CameraChanged, this, &SiteView::Apply);
    connect(&player, &Player::PictureCleared, this, [this] {
        m_alone = false;
        Apply();
    });
    Apply();
}

SiteView::~SiteView() = default;

void SiteView::ChooseSide(int side) {
    m_chosen = std::clamp(side, 0, kLargestGridSide);
    m_alone = false;
    Apply();
}

int SiteView::Side() const {
    return m_chosen > 0 ? m_chosen : AutomaticSide(m_player.Cameras().size());
}

bool SiteView::GridLayout() const { return m_player.FileOpen() && m_player.Cameras().size() > 1 && Side() > 1; }

bool SiteView::GridShown() const { return GridLayout() && !m_alone; }

void SiteView::ToggleAlone() {
    if (!GridLayout()) return;
    m_alone = !m_alone;
    Apply();
}

void SiteView::MoveSelection(int step) {
    Select(CameraAfter(m_player.Cameras(), m_player.SelectedCamera(), step));
}

bool SiteView::Select(int camera) {
    // The engine tells of the switch before it converts the camera's picture,
    // so that the picture comes at the camera's own size (ShowTileSize).
    return camera == m_player.SelectedCamera() || m_player.SelectCamera(camera);
}

void SiteView::Apply() {
    auto* stack = static_cast<QStackedLayout*>(layout());
    const int selected = m_player.SelectedCamera();
    if (!GridShown()) {
        // The selected camera alone, at its own size.
        if (m_player.ShownCameras().size() > 1) m_player.ShowCameras({});
        m_player.SetShownSize(selected, {});
        stack->setCurrentWidget(m_single);
        emit Changed();
        return;
    }
    const std::vector<int> shown = CamerasOnPage(m_player.Cameras(), Side(), selected);
    std::map<int, std::string> names;
    for (int camera : shown) names[camera] = m_player.CameraName(camera);
    m_grid->SetTiles(Side(), shown, names);
    m_grid->SetSelected(selected);
    ShowTileSize();
    if (m_player.ShownCameras() != shown) m_player.ShowCameras(shown);
    for (int camera : shown) {
        if (const PictureHandle picture = m_player.CameraPicture(camera)) m_grid->ShowPicture(picture);
    }
    m_grid->ShowPicture(m_player.CurrentPicture());  // the selected camera's, whatever the tiles knew
    stack->setCurrentWidget(m_grid);
    emit Changed();
}

// The selected camera's pictures come at their own size (saved, printed and
// zoomed as they are); the others' at their tile's.
void SiteView::ShowTileSize() {
    if (!GridShown()) return;
    const int selected = m_player.SelectedCamera();
    for (int camera : m_grid->Cameras()) m_player.SetShownSize(camera, camera == selected ? QSize() : m_grid->TileSize());
}

}  // namespace korvane
