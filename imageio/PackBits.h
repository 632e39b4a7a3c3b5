#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Decodes one row of PackBits (Apple's byte-oriented run-length code, TIFF compression 32773) from the
// start of input into row, until the row is full or the input ends. Control byte n: 0 to 127 copies the
// next n + 1 bytes, -127 to -1 repeats the next byte 1 - n times, -128 is no operation. A run that
// reaches past the end of the row is cut there; its input is consumed all the same, so the next row
// starts after it. Bytes of the row that the input does not reach are left as they were.
// Returns the number of input bytes consumed.
std::size_t UnpackBitsRow(std::span<const std::uint8_t> input, std::span<std::uint8_t> row);

// At most this many bytes come out of one byte of PackBits (a run of 128 takes two bytes).
constexpr std::size_t PackBitsMaxExpansion = 64;
