#include "search/MotionCache.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include "recording/RecordingSet.h"

namespace korvane {
namespace {

// Raised whenever the analysis changes what it finds, so old entries miss.
constexpr int kAnalysisVersion = 2;

QString Optional(const std::optional<std::int64_t>& value) {
    return value ? QString::number(*value) : QStringLiteral("-");
}

}  // namespace

MotionCache::MotionCache(QString folder) : m_folder(std::move(folder)) {}

QString MotionCache::DefaultFolder() {
    // The same folder for the window and the probe, whatever the program's
    // name: the user's cache folder's "korvane".
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/korvane/motion");
}

QString MotionCache::EntryPath(const MotionRequest& request) const {
    QStringList files;
    for (const std::string& path : RecordingPaths(request.paths)) {
        const QFileInfo file(QString::fromStdString(path));
        if (!file.exists()) return {};
        files << file.canonicalFilePath() << QString::number(file.size())
              << QString::number(file.lastModified().toMSecsSinceEpoch());
    }
    if (files.isEmpty()) return {};
    const MotionSettings& s = request.settings;
    const QString identity =
        QStringList{QString::number(kAnalysisVersion), files.join(QLatin1Char('\t')), QString::number(request.camera),
                    Optional(request.fromMs), Optional(request.toMs), QString::number(s.region.x),
                    QString::number(s.region.y), QString::number(s.region.width),
                    QString::number(s.region.height), QString::number(s.region.pictureWidth),
                    QString::number(s.region.pictureHeight), QString::number(s.sensitivity),
                    QString::number(s.minSizePercent, 'g', 17), QString::number(s.minDurationMs),
                    QString::number(s.keysOnly ? 1 : 0)}
            .join(QLatin1Char('\n'));
    const QByteArray hash = QCryptographicHash::hash(identity.toUtf8(), QCryptographicHash::Sha256).toHex();
    return m_folder + QLatin1Char('/') + QString::fromLatin1(hash) + QStringLiteral(".json");
}

std::optional<MotionResult> MotionCache::Load(const MotionRequest& request) const {
    const QString path = EntryPath(request);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    if (root.value(QStringLiteral("version")).toInt() != kAnalysisVersion) return std::nullopt;
    MotionResult result;
    result.keysOnly = root.value(QStringLiteral("keysOnly")).toBool();
    result.pictures = root.value(QStringLiteral("pictures")).toInteger();
    result.firstMs = root.value(QStringLiteral("firstMs")).toInteger();
    result.lastMs = root.value(QStringLiteral("lastMs")).toInteger();
    for (const QJsonValue& value : root.value(QStringLiteral("events")).toArray()) {
        const QJsonObject e = value.toObject();
        MotionEvent event{e.value(QStringLiteral("startMs")).toInteger(), e.value(QStringLiteral("endMs")).toInteger(),
                          e.value(QStringLiteral("peakPercent")).toDouble(), {}};
        const QByteArray luma = QByteArray::fromBase64(e.value(QStringLiteral("thumbnail")).toString().toLatin1());
        const int width = e.value(QStringLiteral("thumbnailWidth")).toInt();
        const int height = e.value(QStringLiteral("thumbnailHeight")).toInt();
        // A thumbnail is taken only when its bytes are all there.
        if (width > 0 && height > 0 && luma.size() == qsizetype(width) * height) {
            event.first = {width, height, std::vector<std::uint8_t>(luma.begin(), luma.end())};
        }
        result.events.push_back(std::move(event));
    }
    result.fromCache = true;
    return result;
}

bool MotionCache::Store(const MotionRequest& request, const MotionResult& result) const {
    const QString path = EntryPath(request);
    if (path.isEmpty() || !QDir().mkpath(m_folder)) return false;
    QJsonArray events;
    for (const MotionEvent& e : result.events) {
        events.append(QJsonObject{{QStringLiteral("startMs"), static_cast<qint64>(e.startMs)},
                                  {QStringLiteral("endMs"), static_cast<qint64>(e.endMs)},
                                  {QStringLiteral("peakPercent"), e.peakPercent},
                                  {QStringLiteral("thumbnailWidth"), e.first.width},
                                  {QStringLiteral("thumbnailHeight"), e.first.height},
                                  {QStringLiteral("thumbnail"),
                                   QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(e.first.luma.data()),
                                                                  qsizetype(e.first.luma.size()))
                                                           .toBase64())}});
    }
    const QJsonObject root{{QStringLiteral("version"), kAnalysisVersion},
                           {QStringLiteral("keysOnly"), result.keysOnly},
                           {QStringLiteral("pictures"), static_cast<qint64>(result.pictures)},
                           {QStringLiteral("firstMs"), static_cast<qint64>(result.firstMs)},
                           {QStringLiteral("lastMs"), static_cast<qint64>(result.lastMs)},
                           {QStringLiteral("events"), events}};
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) return false;
    out.write(QJsonDocument(root).toJson(QJsonDocument::Compact));
    return out.commit();
}

}  // namespace korvane
