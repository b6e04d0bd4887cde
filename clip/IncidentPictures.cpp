#include "clip/IncidentPictures.h"

#include <chrono>

#include "decode/PictureConverter.h"
#include "decode/PicturePipeline.h"
#include "recording/RecordReader.h"

namespace korvane {

QImage PictureAt(const RecordingSet& set, int camera, std::int64_t ms, std::int64_t& shownMs) {
    const CameraTrack* track = set.Track(camera);
    if (track == nullptr) return {};
    const std::optional<RecordRef> picture = track->PictureAt(ms);
    if (!picture) return {};
    shownMs = track->Entry(*picture).time;
    std::vector<std::string> paths;
    for (std::uint32_t f = 0; f < set.FileCount(); ++f) paths.push_back(set.Path(f));
    RecordReader reader(std::move(paths));
    RecordBuffers buffers;
    PicturePipeline pipeline;
    DecodedHandle decoded;
    // From the key record on, with the decoder-only records in front of it (stream headers); only the wanted picture is made.
    RecordRef from = track->KeyOf(*picture);
    for (auto r = track->PreviousVideo(from, false); r && !track->Entry(*r).IsPicture(); r = track->PreviousVideo(*r, false))
        from = *r;
    for (std::optional<RecordRef> r = from; r; r = track->NextVideo(*r, false)) {
        if (!reader.Read(r->file, set.Entry(*r).offset, buffers)) return {};
        const bool wanted = *r == *picture;
        const DecodeResult result = pipeline.Decode(buffers.header, buffers.extension, buffers.Body(), nullptr, {}, wanted);
        if (wanted) {
            decoded = result.picture;
            break;
        }
    }
    if (!decoded) return {};
    PictureConverter converter;
    const PictureHandle shown = converter.Convert(*decoded, std::chrono::steady_clock::now());
    if (!shown || shown->width <= 0 || shown->height <= 0) return {};
    const std::span<const std::uint8_t> bytes = shown->Bytes();
    if (bytes.size() < std::size_t(shown->width) * std::size_t(shown->height) * 3) return {};
    return QImage(bytes.data(), shown->width, shown->height, shown->width * 3, QImage::Format_BGR888).copy();
}

}  // namespace korvane
