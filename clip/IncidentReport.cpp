#include "clip/IncidentReport.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "clip/QtText.h"

namespace korvane {
namespace {

constexpr int kMaxPicturesPerPage = 9;

// Without ligatures ("ffi" stays three letters), so the text is found and copied as written.
QFont Font(double points, bool bold = false, bool mono = false) {
    QFont font(mono ? QStringLiteral("Monospace") : QStringLiteral("Sans Serif"));
    if (mono) font.setStyleHint(QFont::Monospace);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

// Writes lines down a page, in points (the writer's resolution is 72 a inch).
class Page {
public:
    Page(QPainter& painter, QRectF area) : m_painter(painter), m_area(area), m_y(area.top()) {}

    void Line(const QString& text, int size = 10, bool bold = false, bool mono = false) {
        m_painter.setFont(Font(size, bold, mono));
        const QRectF box(m_area.left(), m_y, m_area.width(), m_area.bottom() - m_y);
        const QRectF used = m_painter.boundingRect(box, Qt::TextWordWrap, text);
        m_painter.drawText(box, Qt::TextWordWrap, text);
        m_y += used.height() + size * 0.3;
    }
    void Space(double points) { m_y += points; }
    // A row of pictures with their labels under them.
    void Pictures(const std::vector<ReportPicture>& pictures) {
        const double gap = 8, width = (m_area.width() - 2 * gap) / 3;
        for (std::size_t i = 0; i < pictures.size(); i += 3) {
            double tallest = 0;
            for (std::size_t j = i; j < std::min(i + 3, pictures.size()); ++j) {
                const ReportPicture& p = pictures[j];
                const double x = m_area.left() + double(j - i) * (width + gap);
                double height = width * 0.75;
                if (!p.image.isNull()) {
                    height = width * p.image.height() / std::max(1, p.image.width());
                    m_painter.drawImage(QRectF(x, m_y, width, height), p.image);
                } else {
                    m_painter.drawRect(QRectF(x, m_y, width, height));
                    m_painter.drawText(QRectF(x, m_y, width, height), Qt::AlignCenter, QStringLiteral("(does not decode)"));
                }
                m_painter.setFont(Font(8));
                m_painter.drawText(QRectF(x, m_y + height + 2, width, 24), Qt::TextWordWrap,
                                   ToQt(p.label) + QStringLiteral("\n") + ToQt(p.time));
                tallest = std::max(tallest, height + 28);
            }
            m_y += tallest + gap;
        }
    }

private:
    QPainter& m_painter;
    QRectF m_area;
    double m_y;
};

void Footer(QPainter& painter, const QRectF& page, int number, int pages, const std::string& manifestSha) {
    painter.setFont(Font(7.5));
    painter.drawText(QRectF(page.left(), page.bottom() - 24, page.width(), 24), Qt::AlignLeft | Qt::TextWordWrap,
                     QStringLiteral("Page %1 of %2    SHA-256 of manifest.json: %3")
                         .arg(number)
                         .arg(pages)
                         .arg(ToQt(manifestSha)));
}

}  // namespace

QByteArray IncidentPdf(const Manifest& m, const std::string& manifestSha, const std::vector<ReportCamera>& cameras) {
    if (QGuiApplication::instance() == nullptr) return {};  // fonts and painting need one
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setTitle(QStringLiteral("Incident export"));
    writer.setCreator(ToQt(m.program));
    QPainter painter;
    if (!painter.begin(&writer)) return {};
    const QRectF page(QPointF(0, 0), writer.pageLayout().paintRectPixels(72).size());
    const QRectF body(0, 0, page.width(), page.height() - 30);
    const int pages = 1 + int(cameras.size());

    Page first(painter, body);
    first.Line(QStringLiteral("Incident export"), 18, true);
    first.Line(QStringLiteral("Site: ") + (m.site.empty() ? QStringLiteral("(not named)") : ToQt(m.site)), 11);
    first.Line(QStringLiteral("Span: ") + ToQt(m.from) + QStringLiteral(" to ") + ToQt(m.to) +
                   QStringLiteral(" (the recorder's capture times)"), 11);
    first.Line(QStringLiteral("Note: ") + (m.note.empty() ? QStringLiteral("(none)") : ToQt(m.note)), 11);
    first.Space(6);
    first.Line(QStringLiteral("Cameras"), 12, true);
    for (const ReportCamera& c : cameras)
        first.Line(QStringLiteral("CAM%1 %2: %3 pictures from %4 to %5")
                       .arg(c.camera.camera).arg(ToQt(c.camera.name)).arg(c.camera.pictures)
                       .arg(ToQt(c.camera.firstTime), ToQt(c.camera.lastTime)));
    first.Space(6);
    first.Line(QStringLiteral("How to check this package"), 12, true);
    first.Line(QStringLiteral(
        "Each camera's video is in a clip of its own, its pictures exactly as the recorder stored them and each "
        "shown at its recorded capture time; the .times.csv file beside each clip lists every record with its "
        "capture time and SHA-256. manifest.json lists every file of the package and every source recording "
        "with its size and SHA-256 (a fingerprint: any change to a file changes it). To check, run "
        "\"korvane-probe --verify manifest.json\" in the package's folder, or compute the SHA-256 of each file "
        "with any tool (for example sha256sum) and compare it with the manifest and with the pages that "
        "follow. The SHA-256 of manifest.json itself is printed at the foot of every page."));
    first.Space(6);
    first.Line(QStringLiteral("Source recordings (only read, never changed) and their SHA-256"), 12, true);
    for (const ManifestFile& f : m.sources) {
        first.Line(ToQt(f.path) + QStringLiteral(" (%1 bytes)").arg(f.size), 9);
        first.Line(ToQt(f.sha256), 8, false, true);
    }
    first.Space(6);
    first.Line(QStringLiteral("Made by %1 on %2 (UTC).").arg(ToQt(m.program), ToQt(m.made)), 9);
    Footer(painter, page, 1, pages, manifestSha);

    for (std::size_t i = 0; i < cameras.size(); ++i) {
        const ReportCamera& c = cameras[i];
        writer.newPage();
        Page p(painter, body);
        p.Line(QStringLiteral("CAM%1 %2").arg(c.camera.camera).arg(ToQt(c.camera.name)), 16, true);
        p.Line(QStringLiteral("First picture: ") + ToQt(c.camera.firstTime));
        p.Line(QStringLiteral("Last picture: ") + ToQt(c.camera.lastTime));
        p.Line(QStringLiteral("Pictures: %1").arg(c.camera.pictures));
        if (c.camera.picturesOutOfOrder > 0)
            p.Line(QStringLiteral("%1 pictures carry a capture time far outside their neighbours' (a damaged time); "
                                  "the clip shows them in recorded order and the .times.csv marks them out_of_order.")
                       .arg(c.camera.picturesOutOfOrder));
        p.Line(QStringLiteral("Sound: ") + (c.soundNote.empty() ? QStringLiteral("none") : ToQt(c.soundNote)));
        if (c.camera.gaps.empty()) p.Line(QStringLiteral("Gaps: none (no second without a picture)"));
        for (std::size_t g = 0; g < c.camera.gaps.size() && g < 8; ++g)
            p.Line(QStringLiteral("Gap: no picture from ") + ToQt(c.camera.gaps[g].from) + QStringLiteral(" to ") +
                   ToQt(c.camera.gaps[g].to));
        if (c.camera.gaps.size() > 8) p.Line(QStringLiteral("... %1 gaps in all (manifest.json lists them)").arg(c.camera.gaps.size()));
        p.Space(4);
        p.Pictures(std::vector<ReportPicture>(c.pictures.begin(),
                                              c.pictures.begin() + std::ptrdiff_t(std::min<std::size_t>(c.pictures.size(), kMaxPicturesPerPage))));
        p.Line(QStringLiteral("Files and their SHA-256"), 11, true);
        for (const ManifestFile& f : c.files) {
            p.Line(ToQt(f.path) + QStringLiteral(" (%1 bytes)").arg(f.size), 9);
            p.Line(ToQt(f.sha256), 8, false, true);
        }
        Footer(painter, page, int(i) + 2, pages, manifestSha);
    }
    painter.end();
    return bytes;
}

}  // namespace korvane
