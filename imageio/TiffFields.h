#pragma once

// What both TIFF read paths, the own decoder (TiffReader.cpp) and the one through libtiff
// (TiffLibrary.cpp), make of the same tags and samples.

#include <algorithm>
#include <cstdint>

// The loader's TiffCompression code for a Compression tag (bit 0 of T4Options tells two-dimensional
// group 3 codes); previous for the codes it has none for.
std::uint8_t TiffCompressionField(std::uint32_t compression, std::uint32_t t4Options, std::uint8_t previous);
// The loader's TiffPhotometric code for a PhotometricInterpretation tag; previous for the others.
std::uint8_t TiffPhotometricField(std::uint32_t photometric, std::uint8_t previous);
// Resolution times 2.54 for centimetres (unit 3), truncated; 0, and what no int32 holds, take screenDpi.
std::int32_t TiffDpi(double resolution, std::uint32_t unit, int screenDpi);
// The Orientation tag as the read-ahead turns pictures by it: 1 ... 8, anything else upright (1).
std::uint8_t TiffOrientation(std::uint32_t value);

// 16-bit grey to 8 bits. Scanners store 12 bits of data in 16-bit samples, editors use the whole range:
// data within 12 bits is shifted right by 4, data beyond (any sample, or the MaxSampleValue tag, above
// 4095) by 8. WhiteIsZero counts down from the largest value of that range.
class TGrey16Scale {
public:
    static constexpr std::uint32_t Largest12Bit = 4095;

    // largest: the largest sample of the picture, or MaxSampleValue when that is larger.
    explicit TGrey16Scale(std::uint32_t largest, bool whiteIsZero)
        : FShift(largest > Largest12Bit ? 8 : 4), FWhite(largest > Largest12Bit ? 65535 : Largest12Bit),
          FWhiteIsZero(whiteIsZero) {}

    std::uint8_t operator()(std::uint32_t sample) const {
        if (FWhiteIsZero) {
            sample = FWhite - std::min(sample, FWhite);
        }
        return std::uint8_t(std::min<std::uint32_t>(sample >> FShift, 255));
    }

private:
    int FShift;
    std::uint32_t FWhite;
    bool FWhiteIsZero;
};
