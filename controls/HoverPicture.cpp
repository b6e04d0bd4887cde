#include "controls/HoverPicture.h"

#include <QPixmap>

#include <cstdlib>

#include "playback/Session.h"

namespace korvane {
namespace {

const QSize kBox(128, 96);
constexpr std::int64_t kStep = 500;  // ms the pointer moves before another picture

}  // namespace

bool HoverPicture::Show(Session& session, int camera, std::int64_t time, QPoint above) {
    if (!m_of || m_of->first != camera || std::abs(m_of->second - time) >= kStep) {
        m_of = std::pair{camera, time};
        const PictureHandle picture = session.KeyPictureNear(camera, time, kBox);
        m_image = picture && picture->width > 0 && picture->Bytes().size() >= std::size_t(picture->width) * picture->height * 3
                      ? QImage(picture->Bytes().data(), picture->width, picture->height, picture->width * 3,
                               QImage::Format_BGR888).copy()
                      : QImage();
    }
    if (m_image.isNull()) {
        if (m_label) m_label->hide();
        return false;
    }
    if (!m_label) {
        m_label = std::make_unique<QLabel>(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
        m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    m_label->setPixmap(QPixmap::fromImage(m_image));
    m_label->adjustSize();
    m_label->move(above - QPoint(m_label->width() / 2, m_label->height() + 4));
    m_label->show();
    return true;
}

void HoverPicture::Hide() {
    m_image = {};
    m_of.reset();
    if (m_label) m_label->hide();
}

}  // namespace korvane
