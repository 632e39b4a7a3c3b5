#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

// A bounded little-endian cursor over bytes already in memory (a header block, RLE data). Reads past
// the end deliver zeros and leave the cursor at the end, so a short header reads as if its missing fields
// were 0 and a decoder loop can test AtEnd() instead of every read.
class TByteCursor {
public:
    TByteCursor() = default;
    explicit TByteCursor(std::span<const std::uint8_t> bytes) : FBytes(bytes) {}

    std::size_t Position() const { return FPosition; }
    std::size_t Remaining() const { return FBytes.size() - FPosition; }
    bool AtEnd() const { return FPosition >= FBytes.size(); }

    void Skip(std::size_t count) { FPosition += std::min(count, Remaining()); }
    void Seek(std::size_t position) { FPosition = std::min(position, FBytes.size()); }

    std::uint8_t U8() {
        if (AtEnd()) {
            return 0;
        }
        return FBytes[FPosition++];
    }
    std::uint16_t U16() {
        const std::uint16_t low = U8();
        return std::uint16_t(low | (std::uint16_t(U8()) << 8));
    }
    std::uint32_t U32() {
        const std::uint32_t low = U16();
        return low | (std::uint32_t(U16()) << 16);
    }
    std::int32_t I32() { return std::int32_t(U32()); }

    // Up to count bytes at the cursor, fewer near the end.
    std::span<const std::uint8_t> Take(std::size_t count) {
        count = std::min(count, Remaining());
        const auto part = FBytes.subspan(FPosition, count);
        FPosition += count;
        return part;
    }

    // Fields at a fixed offset from the start, 0 where the bytes do not reach.
    std::uint16_t U16At(std::size_t offset) const {
        return std::uint16_t(ByteAt(offset) | (std::uint16_t(ByteAt(offset + 1)) << 8));
    }
    std::uint32_t U32At(std::size_t offset) const {
        return std::uint32_t(U16At(offset)) | (std::uint32_t(U16At(offset + 2)) << 16);
    }
    std::int32_t I32At(std::size_t offset) const { return std::int32_t(U32At(offset)); }

private:
    std::uint8_t ByteAt(std::size_t offset) const { return offset < FBytes.size() ? FBytes[offset] : 0; }

    std::span<const std::uint8_t> FBytes;
    std::size_t FPosition = 0;
};
