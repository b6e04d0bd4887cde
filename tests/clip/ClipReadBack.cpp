#include "tests/clip/ClipReadBack.h"

#include <cstdio>
#include <memory>
#include <regex>

#include <gtest/gtest.h>

#include "tests/decode/PeerDecode.h"
#include "tests/support/Outputs.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace korvane::testing {

ReadClip ReadBack(const std::string& path) {
    AVFormatContext* raw = nullptr;
    ReadClip clip;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) {
        ADD_FAILURE() << "libavformat cannot open " << path;
        return clip;
    }
    const auto close = [](AVFormatContext* c) { avformat_close_input(&c); };
    std::unique_ptr<AVFormatContext, decltype(close)> input(raw, close);
    avformat_find_stream_info(input.get(), nullptr);
    clip.seconds = double(input->duration) / AV_TIME_BASE;
    for (const AVDictionaryEntry* e = nullptr; (e = av_dict_get(input->metadata, "", e, AV_DICT_IGNORE_SUFFIX));)
        clip.tags[e->key] = e->value;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVCodecParameters* p = input->streams[i]->codecpar;
        if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
            clip.videoCodec = avcodec_get_name(p->codec_id);
            clip.width = p->width;
            clip.height = p->height;
        } else {
            clip.audioCodec = avcodec_get_name(p->codec_id);
            clip.sampleRate = p->sample_rate;
        }
    }
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(input.get(), packet) >= 0) {
        const AVStream* s = input->streams[packet->stream_index];
        ReadPacket read{{packet->data, packet->data + packet->size}, double(packet->pts) * av_q2d(s->time_base)};
        (s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO ? clip.video : clip.audio).push_back(std::move(read));
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    return clip;
}

std::vector<std::int16_t> DecodedSound(const std::string& path) {
    AVFormatContext* raw = nullptr;
    std::vector<std::int16_t> samples;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) {
        ADD_FAILURE() << "libavformat cannot open " << path;
        return samples;
    }
    const auto close = [](AVFormatContext* c) { avformat_close_input(&c); };
    std::unique_ptr<AVFormatContext, decltype(close)> input(raw, close);
    const int stream = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (stream < 0) return samples;
    const AVCodec* codec = avcodec_find_decoder(input->streams[stream]->codecpar->codec_id);
    const auto free = [](AVCodecContext* c) { avcodec_free_context(&c); };
    std::unique_ptr<AVCodecContext, decltype(free)> context(avcodec_alloc_context3(codec), free);
    if (codec == nullptr || avcodec_parameters_to_context(context.get(), input->streams[stream]->codecpar) < 0 ||
        avcodec_open2(context.get(), codec, nullptr) < 0) {
        ADD_FAILURE() << "no decoder opens the sound of " << path;
        return samples;
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const auto receive = [&] {
        while (avcodec_receive_frame(context.get(), frame) >= 0) {
            const auto format = AVSampleFormat(frame->format);
            if (format == AV_SAMPLE_FMT_U8)
                for (int i = 0; i < frame->nb_samples; ++i) samples.push_back(std::int16_t((frame->data[0][i] - 128) * 256));
            else if (format == AV_SAMPLE_FMT_S16 || format == AV_SAMPLE_FMT_S16P)
                samples.insert(samples.end(), reinterpret_cast<const std::int16_t*>(frame->data[0]),
                               reinterpret_cast<const std::int16_t*>(frame->data[0]) + frame->nb_samples);
            else ADD_FAILURE() << "sound of an unexpected sample format " << format;
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(input.get(), packet) >= 0) {
        if (packet->stream_index == stream && avcodec_send_packet(context.get(), packet) < 0)
            ADD_FAILURE() << "the decoder refuses a packet of " << path;
        av_packet_unref(packet);
        receive();
    }
    avcodec_send_packet(context.get(), nullptr);
    receive();
    av_frame_free(&frame);
    av_packet_free(&packet);
    return samples;
}

std::vector<std::vector<std::uint8_t>> NalUnits(std::span<const std::uint8_t> unit, bool lengthPrefixed) {
    std::vector<std::vector<std::uint8_t>> units;
    std::size_t at = 0;
    if (lengthPrefixed) {
        while (at + 4 <= unit.size()) {
            const std::size_t n = std::size_t(unit[at]) << 24 | unit[at + 1] << 16 | unit[at + 2] << 8 | unit[at + 3];
            if (n > unit.size() - at - 4) break;
            units.emplace_back(unit.begin() + long(at) + 4, unit.begin() + long(at + 4 + n));
            at += 4 + n;
        }
        return units;
    }
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i + 2 < unit.size(); ++i)
        if (unit[i] == 0 && unit[i + 1] == 0 && unit[i + 2] == 1) starts.push_back(i + 3);
    for (std::size_t k = 0; k < starts.size(); ++k) {
        std::size_t end = k + 1 < starts.size() ? starts[k + 1] - 3 : unit.size();
        while (end > starts[k] && unit[end - 1] == 0) --end;
        units.emplace_back(unit.begin() + long(starts[k]), unit.begin() + long(end));
    }
    return units;
}

std::string FfmpegDecodeMessages(const std::string& path) {
    // Frames keep the clip's own times (-enc_time_base -1): resampled to a frame rate ffmpeg guesses, a
    // picture between two regular ones (a damaged time, a decoder-only record) would meet its neighbour.
    // Warnings count (a length guessed from the bit rate is one), except ffmpeg's note that it takes the
    // one channel of a Matroska sound track as mono: Matroska stores a count of channels, no layout.
    const std::string command =
        "ffmpeg -v warning -nostdin -i " + ShellQuote(path) + " -enc_time_base:v -1 -f null - 2>&1";
    auto [status, text] = RunCommand(command);
    static const std::regex mono("Guessed Channel Layout for Input Stream #[0-9.]+ : mono\n");
    text = std::regex_replace(text, mono, "");
    return status == 0 ? text : text + " (exit " + std::to_string(status) + ")";
}

}  // namespace korvane::testing
