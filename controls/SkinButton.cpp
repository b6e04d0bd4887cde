#include "controls/SkinButton.h"

#include <QMouseEvent>
#include <QPainter>

#include "controls/SkinBitmaps.h"

namespace korvane {

SkinButton::SkinButton(QWidget* parent) : QWidget(parent) {
    // Moves reach the button without a press, so that it can show its hover image.
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
}

bool SkinButton::SetSkin(int normalId, int pressedId, int hoverId, int disabledId) {
    m_enabled = true;
    m_normalImage = LoadSkinBitmap(normalId);
    bool loaded = !m_normalImage.isNull();
    auto load = [&](QImage& image, int id) {
        image = LoadSkinBitmap(id < 0 ? normalId : id);
        if (id >= 0 && image.isNull()) loaded = false;
    };
    load(m_pressedImage, pressedId);
    load(m_hoverImage, hoverId);
    load(m_disabledImage, disabledId);
    Show(Image::Normal);
    update();
    return loaded;
}

void SkinButton::MirrorSkin() {
    for (QImage* image : {&m_normalImage, &m_pressedImage, &m_hoverImage, &m_disabledImage})
        *image = image->mirrored(true, false);
    Show(m_shown == Image::None ? Image::Normal : m_shown);
    update();
}

void SkinButton::EnableButton(bool enable) {
    m_enabled = enable;
    Show(enable ? Image::Normal : Image::Disabled);
    update();
}

const QImage& SkinButton::ShownImage() const {
    static const QImage kNone;
    switch (m_shown) {
        case Image::Normal: return m_normalImage;
        case Image::Pressed: return m_pressedImage;
        case Image::Hover: return m_hoverImage;
        case Image::Disabled: return m_disabledImage;
        case Image::None: break;
    }
    return kNone;
}

void SkinButton::Show(Image image) {
    m_shown = image;
    // A picture control takes the size of its picture.
    const QImage& shown = ShownImage();
    if (!shown.isNull() && shown.size() != size()) resize(shown.size());
    update();
}

void SkinButton::paintEvent(QPaintEvent*) {
    const QImage& shown = ShownImage();
    if (shown.isNull()) return;
    QPainter painter(this);
    painter.drawImage(0, 0, shown);
}

void SkinButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (m_enabled) {
        m_pressed = true;
        Show(Image::Pressed);
        // The press holds the mouse: moves and the release come here wherever the pointer goes.
        m_pressCapture = true;
        OnPressCaptured();
    }
    update();
    event->accept();
}

void SkinButton::mouseMoveEvent(QMouseEvent* event) {
    if (m_enabled) {
        m_hoverCapture = true;
        const QPoint p = event->position().toPoint();
        // The left column and the top row count as outside.
        const bool inside = p.x() > 0 && p.x() < width() && p.y() > 0 && p.y() < height();
        if (inside) {
            if (m_pressCapture) {
                m_pressed = true;
                Show(Image::Pressed);
            } else {
                Show(RestingImage(true));
            }
            update();
        } else {
            MovedOutside();
        }
    }
    event->accept();
}

void SkinButton::MovedOutside() {
    m_pressed = false;
    Show(RestingImage(false));
    update();
    if (m_hoverCapture && !m_pressCapture) m_hoverCapture = false;
}

void SkinButton::leaveEvent(QEvent* event) {
    // The pointer left without a press: the last move the button sees is outside.
    if (m_enabled && m_hoverCapture && !m_pressCapture) MovedOutside();
    QWidget::leaveEvent(event);
}

void SkinButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (m_enabled) {
        if (m_pressCapture) {
            m_pressCapture = false;
            m_hoverCapture = false;
        }
        OnReleaseWhileEnabled(m_pressed);
        m_pressed = false;
        m_hoverCapture = false;
    }
    event->accept();
}

void SkinButton::OnReleaseWhileEnabled(bool pressed) {
    Show(Image::Normal);
    update();
    if (pressed) emit Clicked();
}

// The second press of a quick pair arrives as a double click instead of a
// press: it clicks at once, so a double click gives two clicks.
void SkinButton::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (m_enabled) OnDoubleClickWhileEnabled();
    update();
    event->accept();
}

void SkinButton::OnDoubleClickWhileEnabled() {
    Show(Image::Pressed);
    emit Clicked();
}

// --- toggle button ------------------------------------------------------------

void SkinToggleButton::SetCheck(bool check) {
    m_checked = check;
    Show(check ? Image::Pressed : Image::Normal);
    update();
}

SkinButton::Image SkinToggleButton::RestingImage(bool over) const {
    if (m_checked) return Image::Pressed;
    return over ? Image::Hover : Image::Normal;
}

void SkinToggleButton::OnReleaseWhileEnabled(bool pressed) {
    update();
    if (pressed) {
        emit Clicked();
        // The parent may have checked or unchecked the button meanwhile.
        Show(m_checked ? Image::Pressed : Image::Normal);
    }
}

void SkinToggleButton::OnDoubleClickWhileEnabled() {
    Show(Image::Pressed);
    m_checked = true;
    emit Clicked();
}

}  // namespace korvane
