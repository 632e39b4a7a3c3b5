#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Decoders of the ITU-T fax codes: T.4 one-dimensional (modified Huffman) and two-dimensional (modified
// READ) rows, and T.6 rows (modified modified READ). They know nothing of any container: they take the
// coded bytes of one independently coded block (a TIFF strip), a row width and an output row.
//
// Output rows hold one bit per pixel, leftmost pixel in the most significant bit, 1 for a pixel coded
// white and 0 for one coded black. A decoder writes exactly (width + 7) / 8 bytes and never more; the row
// must hold at least that many. A row whose code runs out or breaks off at an invalid code keeps what was
// decoded before, and the rest of it is white.

enum class TFaxBitOrder {
    MostSignificantFirst,  // TIFF FillOrder 1
    LeastSignificantFirst, // TIFF FillOrder 2
};

// The coded bytes with a bit position, and the previous row as changing elements (the reference line of
// the two-dimensional codes). Every row decoder advances it.
class TFaxState {
public:
    TFaxState(std::span<const std::uint8_t> bytes, TFaxBitOrder order);
    // The bytes may point into the state itself.
    TFaxState(const TFaxState&) = delete;
    TFaxState& operator=(const TFaxState&) = delete;

    // Bits of the input from the current position, most significant first; zeros beyond the end.
    std::uint32_t Peek(int count);
    void Consume(int count) { FPosition += std::size_t(count); }
    void AlignToByte() { FPosition = (FPosition + 7) & ~std::size_t(7); }
    bool AtEnd() const { return FPosition >= FBytes.size() * 8; }

    // Positions where the colour changes, first to black; the working lists of the row decoders.
    std::vector<int> Reference;
    std::vector<int> Current;

private:
    std::span<const std::uint8_t> FBytes;
    // Bytes of fill order 2 with their bits reversed once, so that reading is the same for both orders.
    std::vector<std::uint8_t> FReversed;
    std::size_t FPosition = 0;
};

// TIFF compression 2: one T.4 one-dimensional row starting on a byte boundary, no end-of-line codes.
bool DecodeModifiedHuffmanRow(TFaxState& state, int width, std::span<std::uint8_t> row);

// TIFF compression 3: one T.4 row continuing at the bit where the previous one ended, after an optional
// end-of-line code (with fill bits). With twoDimensional the tag bit after the end-of-line code chooses
// between a one- and a two-dimensional row. After a broken row the decoder looks for the next end-of-line
// code, so one damaged row costs only itself.
bool DecodeGroup3Row(TFaxState& state, int width, bool twoDimensional, std::span<std::uint8_t> row);

// TIFF compression 4: one T.6 row; the reference line of the first row is white.
bool DecodeGroup4Row(TFaxState& state, int width, std::span<std::uint8_t> row);
