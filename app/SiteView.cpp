#include "app/SiteView.h"

#include <QStackedLayout>

#include "app/PlayerView.h"
#include "app/SiteLayout.h"
#include "app/TileGrid.h"
#include "playback/Session.h"

namespace korvane {

SiteView::SiteView(Session& session, QWidget* parent) : QWidget(parent), m_session(session) {
    auto stack = std::make_unique<QStackedLayout>();
    auto single = std::make_unique<PlayerView>(session);
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
    connect(&session, &Session::CameraPictureShown, m_grid, &TileGrid::ShowPicture);
    connect(&session, &Session::PictureShown, m_grid, &TileGrid::ShowPicture);
    connect(&session, &Session::CameraWithoutPicture, m_grid, [this](int camera, qint64 next) {
        m_grid->ShowNoPicture(camera, next >= 0 ? std::optional<std::int64_t>(next) : std::nullopt);
    });
    connect(&session, &Session::Opened, this, [this] {
        m_alone = false;
        Apply();
    });
    connect(&session, &Session::IndexReady, this, &SiteView::Apply);
    connect(&session, &Session::CameraChanged, this, &SiteView::Apply);
    connect(&session, &Session::PictureCleared, this, [this] {
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
    return m_chosen > 0 ? m_chosen : AutomaticSide(m_session.Cameras().size());
}

bool SiteView::GridLayout() const { return m_session.FileOpen() && m_session.Cameras().size() > 1 && Side() > 1; }

bool SiteView::GridShown() const { return GridLayout() && !m_alone; }

void SiteView::ToggleAlone() {
    if (!GridLayout()) return;
    m_alone = !m_alone;
    Apply();
}

void SiteView::MoveSelection(int step) {
    Select(CameraAfter(m_session.Cameras(), m_session.SelectedCamera(), step));
}

bool SiteView::Select(int camera) {
    // The engine tells of the switch before it converts the camera's picture,
    // so that the picture comes at the camera's own size (ShowTileSize).
    return camera == m_session.SelectedCamera() || m_session.SelectCamera(camera);
}

void SiteView::Apply() {
    auto* stack = static_cast<QStackedLayout*>(layout());
    const int selected = m_session.SelectedCamera();
    if (!GridShown()) {
        // The selected camera alone, at its own size.
        if (m_session.ShownCameras().size() > 1) m_session.ShowCameras({});
        m_session.SetShownSize(selected, {});
        stack->setCurrentWidget(m_single);
        emit Changed();
        return;
    }
    const std::vector<int> shown = CamerasOnPage(m_session.Cameras(), Side(), selected);
    std::map<int, std::string> names;
    for (int camera : shown) names[camera] = m_session.CameraName(camera);
    m_grid->SetTiles(Side(), shown, names);
    m_grid->SetSelected(selected);
    ShowTileSize();
    if (m_session.ShownCameras() != shown) m_session.ShowCameras(shown);
    for (int camera : shown) {
        if (const PictureHandle picture = m_session.CameraPicture(camera)) m_grid->ShowPicture(picture);
    }
    m_grid->ShowPicture(m_session.CurrentPicture());  // the selected camera's, whatever the tiles knew
    stack->setCurrentWidget(m_grid);
    emit Changed();
}

// The selected camera's pictures come at their own size (saved, printed and
// zoomed as they are); the others' at their tile's.
void SiteView::ShowTileSize() {
    if (!GridShown()) return;
    const int selected = m_session.SelectedCamera();
    for (int camera : m_grid->Cameras()) m_session.SetShownSize(camera, camera == selected ? QSize() : m_grid->TileSize());
}

}  // namespace korvane
