// Picture buttons of the control bar. Each shows one of four bitmaps for its
// state (normal, pressed, hover, disabled), follows the mouse itself and
// reports a click (Clicked) only when a press ends inside it. SkinToggleButton adds a checked state that flips when the
// press begins and that the parent can set; its pressed image is also its
// checked image. No keyboard handling, no focus look.
#pragma once

#include <QImage>
#include <QWidget>

namespace korvane {

class SkinButton : public QWidget {
    Q_OBJECT

public:
    explicit SkinButton(QWidget* parent = nullptr);

    // Loads the four images by skin number (a negative number stands for a
    // copy of the normal image), shows the normal one and enables the
    // button. True when the normal image and every image given by a
    // non-negative number loaded.
    bool SetSkin(int normalId, int pressedId, int hoverId, int disabledId);
    // Turns the four images left to right (a button pointing the other way).
    void MirrorSkin();
    // Enabling shows the normal image, disabling the disabled one; a disabled
    // button ignores the mouse.
    void EnableButton(bool enable);
    bool IsButtonEnabled() const { return m_enabled; }

    // The image on show; null before SetSkin.
    const QImage& ShownImage() const;

signals:
    void Clicked();

protected:
    enum class Image { None, Normal, Pressed, Hover, Disabled };

    void Show(Image image);
    // What the button shows when no press is on: `over` tells whether the
    // pointer is over it.
    virtual Image RestingImage(bool over) const { return over ? Image::Hover : Image::Normal; }
    // Hooks of the toggle button.
    virtual void OnPressCaptured() {}
    virtual void OnReleaseWhileEnabled(bool pressed);
    virtual void OnDoubleClickWhileEnabled();

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

    bool m_enabled = false;
    bool m_pressed = false;      // a press is on and the pointer is inside
    bool m_pressCapture = false; // the mouse is held by a press
    bool m_hoverCapture = false; // the pointer is being followed over the button

private:
    void MovedOutside();

    QImage m_normalImage;
    QImage m_pressedImage;
    QImage m_hoverImage;
    QImage m_disabledImage;
    Image m_shown = Image::None;
};

class SkinToggleButton : public SkinButton {
    Q_OBJECT

public:
    explicit SkinToggleButton(QWidget* parent = nullptr) : SkinButton(parent) {}

    // Checking shows the pressed image, unchecking the normal one, whether
    // the button is enabled or not.
    void SetCheck(bool check);
    bool GetCheck() const { return m_checked; }

protected:
    Image RestingImage(bool over) const override;
    void OnPressCaptured() override { m_checked = !m_checked; }
    void OnReleaseWhileEnabled(bool pressed) override;
    void OnDoubleClickWhileEnabled() override;

private:
    bool m_checked = false;
};

}  // namespace korvane
