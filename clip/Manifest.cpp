#include "clip/Manifest.h"

#include <QJsonArray>
#include <QJsonDocument>

#include "clip/QtText.h"

namespace korvane {
namespace {

std::string S(const QJsonValue& value) { return value.toString().toStdString(); }

QJsonArray Files(const std::vector<ManifestFile>& files) {
    QJsonArray array;
    for (const ManifestFile& f : files)
        array.append(QJsonObject{{"path", ToQt(f.path)}, {"size", qint64(f.size)}, {"sha256", ToQt(f.sha256)}});
    return array;
}

std::optional<std::vector<ManifestFile>> ReadFiles(const QJsonValue& value) {
    if (!value.isArray()) return std::nullopt;
    std::vector<ManifestFile> files;
    for (const QJsonValue& v : value.toArray()) {
        const QJsonObject o = v.toObject();
        const std::string sha = S(o["sha256"]);
        if (!o["path"].isString() || !o["size"].isDouble() || o["size"].toDouble() < 0 || sha.size() != 64)
            return std::nullopt;
        files.push_back({S(o["path"]), std::uint64_t(o["size"].toInteger()), sha});
    }
    return files;
}

}  // namespace

QByteArray ManifestJson(const Manifest& m) {
    QJsonArray cameras;
    for (const ManifestCamera& c : m.cameras) {
        QJsonArray gaps, clips;
        for (const ManifestGap& g : c.gaps) gaps.append(QJsonObject{{"from", ToQt(g.from)}, {"to", ToQt(g.to)}});
        for (const std::string& clip : c.clips) clips.append(ToQt(clip));
        QJsonObject camera{{"camera", c.camera},         {"name", ToQt(c.name)},
                           {"first_capture_time", ToQt(c.firstTime)}, {"last_capture_time", ToQt(c.lastTime)},
                           {"pictures", qint64(c.pictures)}, {"gaps", gaps},
                           {"clips", clips}, {"audio_codec", ToQt(c.audioCodec)}};
        if (c.picturesOutOfOrder) camera["pictures_out_of_order"] = qint64(c.picturesOutOfOrder);
        cameras.append(camera);
    }
    QJsonArray bookmarks;
    for (const ManifestBookmark& b : m.bookmarks)
        bookmarks.append(QJsonObject{{"camera", b.camera}, {"time", ToQt(b.time)}, {"note", ToQt(b.note)}});
    const QJsonObject json{{"program", ToQt(m.program)},
                           {"made", ToQt(m.made)},
                           {"site", ToQt(m.site)},
                           {"span", QJsonObject{{"from", ToQt(m.from)}, {"to", ToQt(m.to)}}},
                           {"note", ToQt(m.note)},
                           {"cameras", cameras},
                           {"bookmarks", bookmarks},
                           {"files", Files(m.files)},
                           {"sources", Files(m.sources)}};
    return QJsonDocument(json).toJson();
}

std::optional<Manifest> ParseManifest(const QByteArray& bytes, std::string& error) {
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parse);
    if (document.isNull()) {
        error = "not JSON: " + parse.errorString().toStdString();
        return std::nullopt;
    }
    const QJsonObject json = document.object();
    Manifest m;
    const auto files = ReadFiles(json["files"]), sources = ReadFiles(json["sources"]);
    if (!files || !sources) {
        error = "its files and sources are not listed with a path, a size and a SHA-256 each";
        return std::nullopt;
    }
    m.files = *files;
    m.sources = *sources;
    m.program = S(json["program"]);
    m.made = S(json["made"]);
    m.site = S(json["site"]);
    m.from = S(json["span"].toObject()["from"]);
    m.to = S(json["span"].toObject()["to"]);
    m.note = S(json["note"]);
    for (const QJsonValue& v : json["cameras"].toArray()) {
        const QJsonObject o = v.toObject();
        ManifestCamera c{o["camera"].toInt(), S(o["name"]), S(o["first_capture_time"]), S(o["last_capture_time"]),
                         std::uint64_t(o["pictures"].toInteger()), {}, {}, std::uint64_t(o["pictures_out_of_order"].toInteger()),
                         S(o["audio_codec"])};
        for (const QJsonValue& g : o["gaps"].toArray()) c.gaps.push_back({S(g.toObject()["from"]), S(g.toObject()["to"])});
        for (const QJsonValue& clip : o["clips"].toArray()) c.clips.push_back(S(clip));
        m.cameras.push_back(std::move(c));
    }
    for (const QJsonValue& v : json["bookmarks"].toArray()) {
        const QJsonObject o = v.toObject();
        m.bookmarks.push_back({o["camera"].toInt(), S(o["time"]), S(o["note"])});
    }
    return m;
}

}  // namespace korvane
