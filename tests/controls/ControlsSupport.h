// Helpers of the control tests: a message target that records what reaches
// it, and the pixels a widget paints compared with the skin PNGs kept in
// the source tree.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

#include "platform/Mailbox.h"
#include "platform/Messages.h"

namespace korvane::testing {

struct Message {
    unsigned id;
    WParam wParam;
    LParam lParam;
    bool operator==(const Message&) const = default;
};

// Stands for the view or for a button's parent: keeps every message, and
// runs `onMessage` (when set) inside the handler, where a test can look at
// the sender's state at that moment.
class RecordingTarget : public MessageTarget {
public:
    long HandleMessage(unsigned id, WParam wParam, LParam lParam) override {
        messages.push_back({id, wParam, lParam});
        if (onMessage) return onMessage(messages.back());
        return 1;
    }
    Mailbox& MessageMailbox() override { return m_mailbox; }

    std::vector<unsigned> Ids() const {
        std::vector<unsigned> ids;
        for (const Message& m : messages) ids.push_back(m.id);
        return ids;
    }

    std::vector<Message> messages;
    std::function<long(const Message&)> onMessage;

private:
    Mailbox m_mailbox;
};

// The PNG of a skin bitmap as committed, premultiplied as painting leaves it.
inline QImage SkinPng(int id) {
    QImage image(QString(KORVANE_SOURCE_DIR "/res/skin/%1.png").arg(id));
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// What the widget paints by itself, over transparency.
inline QImage Rendered(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

// The skin number (among `ids`) whose PNG the widget paints pixel for pixel;
// 0 when it paints none of them.
inline int ShownSkin(QWidget& widget, std::initializer_list<int> ids) {
    const QImage shown = Rendered(widget);
    for (int id : ids)
        if (SkinPng(id) == shown) return id;
    return 0;
}

}  // namespace korvane::testing
