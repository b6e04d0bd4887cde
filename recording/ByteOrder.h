// Little-endian reads and writes over byte spans, independent of the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace korvane {

inline std::uint16_t LoadU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t LoadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void StoreU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void StoreU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Reads consecutive fields from a fixed-size block.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    std::uint8_t u8() { return m_bytes[m_pos++]; }
    std::uint16_t u16() { auto v = LoadU16(&m_bytes[m_pos]); m_pos += 2; return v; }
    std::uint32_t u32() { auto v = LoadU32(&m_bytes[m_pos]); m_pos += 4; return v; }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    template <typename T, std::size_t N>
    void raw(std::array<T, N>& out) {
        static_assert(sizeof(T) == 1);
        std::memcpy(out.data(), &m_bytes[m_pos], N);
        m_pos += N;
    }
    std::size_t position() const { return m_pos; }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
};

// Writes consecutive fields into a fixed-size block.
class ByteWriter {
public:
    explicit ByteWriter(std::span<std::uint8_t> bytes) : m_bytes(bytes) {}
    void u8(std::uint8_t v) { m_bytes[m_pos++] = v; }
    void u16(std::uint16_t v) { StoreU16(&m_bytes[m_pos], v); m_pos += 2; }
    void u32(std::uint32_t v) { StoreU32(&m_bytes[m_pos], v); m_pos += 4; }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    template <typename T, std::size_t N>
    void raw(const std::array<T, N>& in) {
        static_assert(sizeof(T) == 1);
        std::memcpy(&m_bytes[m_pos], in.data(), N);
        m_pos += N;
    }
    std::size_t position() const { return m_pos; }

private:
    std::span<std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
};

}  // namespace korvane
