#include "controls/CSkinButton.h"

#include <QMouseEvent>
#include <QPainter>

#include "controls/SkinBitmaps.h"

namespace korvane {

CSkinButton::CSkinButton(QWidget* parent) : QWidget(parent) {
    // Moves reach the button without a press, so that it can show its hover image.
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
}

bool CSkinButton::SetSkin(MessageTarget* parent, int normalId, int pressedId, int hoverId, int disabledId) {
    m_bEnabled = true;
    m_pParent = parent;
    m_bmpNormal = LoadSkinBitmap(normalId);
    bool loaded = !m_bmpNormal.isNull();
    auto load = [&](QImage& image, int id) {
        image = LoadSkinBitmap(id < 0 ? normalId : id);
        if (id >= 0 && image.isNull()) loaded = false;
    };
    load(m_bmpPressed, pressedId);
    load(m_bmpHover, hoverId);
    load(m_bmpDisabled, disabledId);
    Show(Image::Normal);
    update();
    return loaded;
}

void CSkinButton::EnableButton(bool enable) {
    m_bEnabled = enable;
    Show(enable ? Image::Normal : Image::Disabled);
    update();
}

const QImage& CSkinButton::ShownImage() const {
    static const QImage kNone;
    switch (m_shown) {
        case Image::Normal: return m_bmpNormal;
        case Image::Pressed: return m_bmpPressed;
        case Image::Hover: return m_bmpHover;
        case Image::Disabled: return m_bmpDisabled;
        case Image::None: break;
    }
    return kNone;
}

void CSkinButton::Show(Image image) {
    m_shown = image;
    // A picture control takes the size of its picture.
    const QImage& shown = ShownImage();
    if (!shown.isNull() && shown.size() != size()) resize(shown.size());
    update();
}

void CSkinButton::SendClick() {
    if (m_pParent != nullptr)
        SendMessage(*m_pParent, ClickMessage(), reinterpret_cast<WParam>(static_cast<CSkinButton*>(this)));
}

void CSkinButton::paintEvent(QPaintEvent*) {
    const QImage& shown = ShownImage();
    if (shown.isNull()) return;
    QPainter painter(this);
    painter.drawImage(0, 0, shown);
}

void CSkinButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (m_bEnabled) {
        m_bPressed = true;
        Show(Image::Pressed);
        // The press holds the mouse: moves and the release come here wherever the pointer goes.
        m_bPressCapture = true;
        OnPressCaptured();
    }
    update();
    event->accept();
}

void CSkinButton::mouseMoveEvent(QMouseEvent* event) {
    if (m_bEnabled) {
        m_bHoverCapture = true;
        const QPoint p = event->position().toPoint();
        // The left column and the top row count as outside.
        const bool inside = p.x() > 0 && p.x() < width() && p.y() > 0 && p.y() < height();
        if (inside) {
            if (m_bPressCapture) {
                m_bPressed = true;
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

void CSkinButton::MovedOutside() {
    m_bPressed = false;
    Show(RestingImage(false));
    update();
    if (m_bHoverCapture && !m_bPressCapture) m_bHoverCapture = false;
}

void CSkinButton::leaveEvent(QEvent* event) {
    // The pointer left without a press: the last move the button sees is outside.
    if (m_bEnabled && m_bHoverCapture && !m_bPressCapture) MovedOutside();
    QWidget::leaveEvent(event);
}

void CSkinButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (m_bEnabled) {
        if (m_bPressCapture) {
            m_bPressCapture = false;
            m_bHoverCapture = false;
        }
        OnReleaseWhileEnabled(m_bPressed);
        m_bPressed = false;
        m_bHoverCapture = false;
    }
    event->accept();
}

void CSkinButton::OnReleaseWhileEnabled(bool pressed) {
    Show(Image::Normal);
    update();
    if (pressed) SendClick();
}

// The second press of a quick pair arrives as a double click instead of a
// press: it clicks at once, so a double click gives two clicks.
void CSkinButton::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (m_bEnabled) OnDoubleClickWhileEnabled();
    update();
    event->accept();
}

void CSkinButton::OnDoubleClickWhileEnabled() {
    Show(Image::Pressed);
    SendClick();
}

// --- toggle button ------------------------------------------------------------

void CSkinToggleButton::SetCheck(bool check) {
    m_bChecked = check;
    Show(check ? Image::Pressed : Image::Normal);
    update();
}

CSkinButton::Image CSkinToggleButton::RestingImage(bool over) const {
    if (m_bChecked) return Image::Pressed;
    return over ? Image::Hover : Image::Normal;
}

void CSkinToggleButton::OnReleaseWhileEnabled(bool pressed) {
    update();
    if (pressed) {
        SendClick();
        // The parent may have checked or unchecked the button meanwhile.
        Show(m_bChecked ? Image::Pressed : Image::Normal);
    }
}

void CSkinToggleButton::OnDoubleClickWhileEnabled() {
    Show(Image::Pressed);
    m_bChecked = true;
    SendClick();
}

}  // namespace korvane
