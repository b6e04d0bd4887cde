// How the window names a camera: "Camera 2 - Back yard", or "Camera 2" without a name.
#pragma once

#include <QCoreApplication>
#include <QString>

#include "playback/Session.h"

namespace korvane {

inline QString CameraLabel(const Session& session, int camera) {
    QString text = QCoreApplication::translate("korvane", "Camera %1").arg(camera + 1);
    if (const std::string name = session.CameraName(camera); !name.empty())
        text += QStringLiteral(" - ") + QString::fromLocal8Bit(name.c_str());
    return text;
}

}  // namespace korvane
