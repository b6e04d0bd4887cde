#include "tests/decode/AdapterHarness.h"

#include "decode/CAPIDecoderClass.h"
#include "decode/CMP4CodecDll.h"
#include "decode/CMp4ADecoder.h"
#include "decode/CSDI_Colorspace.h"
#include "decode/JpegDecoder.h"

namespace korvane::testing {
namespace {

int Length(const VideoFrame& frame) { return static_cast<int>(frame.bytes.size()); }

class Mp4CodecUnderTest final : public AdapterUnderTest {
public:
    Mp4CodecUnderTest(int width, int height, int mode)
        : m_width(width), m_height(height), m_mode(mode) {
        m_decoder.MPEG4DecodeInit(width, height, mode, mode == 2 ? 1 : 0, 0);
    }
    ~Mp4CodecUnderTest() override { m_decoder.MPEG4DecodeClose(m_mode); }
    AdapterOutput Decode(const VideoFrame& frame, std::uint8_t* picture,
                         std::size_t capacity) override {
        const int result = m_decoder.MPEG4Decode(frame.bytes.data(), picture, m_width, m_height,
                                                 Length(frame), 0, m_mode, capacity);
        return {result, CMP4CodecDll::OutputWidth(m_width, m_mode), m_height};
    }
    RowOrder Order() const override {
        return m_mode == 0 ? RowOrder::TopFirst : RowOrder::BottomFirst;
    }

private:
    CMP4CodecDll m_decoder;
    int m_width, m_height, m_mode;
};

class Mp4AUnderTest final : public AdapterUnderTest {
public:
    Mp4AUnderTest(int width, int height, std::uint32_t flag) {
        m_decoder.Initialize({flag, static_cast<std::uint32_t>(width),
                              static_cast<std::uint32_t>(height), 3, 1, 1, 73, 0});
    }
    ~Mp4AUnderTest() override { m_decoder.Release(); }
    AdapterOutput Decode(const VideoFrame& frame, std::uint8_t* picture,
                         std::size_t capacity) override {
        Mp4ADecompressBlock block{frame.bytes.data(), static_cast<std::uint32_t>(Length(frame)),
                                  picture, 0, 0, 0, capacity};
        const int result = m_decoder.Decompress(block);
        return {result, static_cast<int>(block.widthOut), static_cast<int>(block.heightOut)};
    }
    RowOrder Order() const override { return RowOrder::TopFirst; }

private:
    CMp4ADecoder m_decoder;
};

class H264UnderTest final : public AdapterUnderTest {
public:
    H264UnderTest(int width, int height) {
        m_decoder.Initialize({0, static_cast<std::uint32_t>(width),
                              static_cast<std::uint32_t>(height), 3, 1, 1, 73, 0});
    }
    ~H264UnderTest() override { m_decoder.Release(); }
    AdapterOutput Decode(const VideoFrame& frame, std::uint8_t* picture,
                         std::size_t capacity) override {
        H264DecompressBlock block{frame.bytes.data(), static_cast<std::uint32_t>(Length(frame)),
                                  picture, 0, 0, 0, frame.key ? 1u : 0u, capacity};
        const int result = m_decoder.Decompress(block);
        return {result, static_cast<int>(block.widthOut), static_cast<int>(block.heightOut)};
    }
    RowOrder Order() const override { return RowOrder::BottomFirst; }

private:
    CAPIDecoderClass m_decoder;
};

class SdiUnderTest final : public AdapterUnderTest {
public:
    SdiUnderTest(int width, int height) {
        m_decoder.Initialize({0, static_cast<std::uint32_t>(width),
                              static_cast<std::uint32_t>(height)});
    }
    ~SdiUnderTest() override { m_decoder.Release(); }
    AdapterOutput Decode(const VideoFrame& frame, std::uint8_t* picture,
                         std::size_t capacity) override {
        SdiDecompressBlock block;
        block.picture = picture;
        block.length = static_cast<std::uint32_t>(Length(frame));
        block.data = frame.bytes.data();
        block.pictureCapacity = capacity;
        const int result = m_decoder.Decompress(block);
        return {result, static_cast<int>(block.widthOut), static_cast<int>(block.heightOut)};
    }
    RowOrder Order() const override { return RowOrder::BottomFirst; }

private:
    CSDI_Colorspace m_decoder;
};

class JpegUnderTest final : public AdapterUnderTest {
public:
    AdapterOutput Decode(const VideoFrame& frame, std::uint8_t* picture,
                         std::size_t capacity) override {
        AdapterOutput out;
        out.result = m_decoder.Decode(frame.bytes.data(), frame.bytes.size(), picture, capacity,
                                      &out.width, &out.height);
        return out;
    }
    RowOrder Order() const override { return RowOrder::TopFirst; }

private:
    JpegDecoder m_decoder;
};

}  // namespace

std::unique_ptr<AdapterUnderTest> MakeMp4Codec(int width, int height, int mode) {
    return std::make_unique<Mp4CodecUnderTest>(width, height, mode);
}
std::unique_ptr<AdapterUnderTest> MakeMp4A(int width, int height, std::uint32_t flag) {
    return std::make_unique<Mp4AUnderTest>(width, height, flag);
}
std::unique_ptr<AdapterUnderTest> MakeH264(int width, int height) {
    return std::make_unique<H264UnderTest>(width, height);
}
std::unique_ptr<AdapterUnderTest> MakeSdi(int width, int height) {
    return std::make_unique<SdiUnderTest>(width, height);
}
std::unique_ptr<AdapterUnderTest> MakeJpeg() { return std::make_unique<JpegUnderTest>(); }

}  // namespace korvane::testing
