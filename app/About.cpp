#include "app/About.h"

#include <QtGlobal>

#include <SDL.h>
#include <jconfig.h>
extern "C" {
#include <libavutil/avutil.h>
}

namespace korvane {
namespace {

#define KORVANE_TEXT(x) #x
#define KORVANE_MACRO_TEXT(x) KORVANE_TEXT(x)

}  // namespace

QString AboutText() {
    SDL_version sdl;
    SDL_GetVersion(&sdl);
    struct Library {
        QString name, version, licence;
    };
    const Library libraries[] = {
        {QStringLiteral("Qt"), QString::fromLatin1(qVersion()), QStringLiteral("LGPL 3")},
        {QStringLiteral("FFmpeg"), QString::fromLatin1(av_version_info()), QStringLiteral("LGPL 2.1 or later (GPL 2 or later as Debian builds it)")},
        {QStringLiteral("SDL"), QStringLiteral("%1.%2.%3").arg(sdl.major).arg(sdl.minor).arg(sdl.patch), QStringLiteral("zlib")},
        {QStringLiteral("libjpeg-turbo"), QStringLiteral(KORVANE_MACRO_TEXT(LIBJPEG_TURBO_VERSION)), QStringLiteral("BSD 3-clause, IJG and zlib")},
    };
    QString text = QStringLiteral("<h3>Korvane %1</h3>"
                                  "<p>Plays, searches and exports the recordings of multi-camera digital video recorders.</p>"
                                  "<p>Built on:</p><table>")
                       .arg(QStringLiteral(KORVANE_VERSION));
    for (const Library& library : libraries)
        text += QStringLiteral("<tr><td><b>%1</b>&nbsp;</td><td>%2&nbsp;</td><td>%3</td></tr>")
                    .arg(library.name, library.version.toHtmlEscaped(), library.licence);
    return text + QStringLiteral("</table><p>The licences are listed in /usr/share/doc/korvane/copyright.</p>");
}

}  // namespace korvane
