#include "imageio/FaxCodec.h"
#include "imageio/PackBits.h"
#include "imageio/RgbRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t Guard = 0x5A;

} // namespace

TEST(PackBits, CodesPastTheRowOrTheInputAreCutAndNoOpsSkipped) {
    // A literal of 4 into a row of 3, then -128, then a run of 5 for the next row.
    const auto packed = Bytes({0x03, 1, 2, 3, 4, 0x80, 0xFC, 9});
    std::vector<std::uint8_t> row(4, Guard);
    EXPECT_EQ(UnpackBitsRow(packed, std::span(row).first(3)), 5u);
    EXPECT_EQ(row, Bytes({1, 2, 3, Guard}));
    EXPECT_EQ(UnpackBitsRow(std::span(packed).subspan(5), std::span(row).first(3)), 3u);
    EXPECT_EQ(row, Bytes({9, 9, 9, Guard}));
    // Input ending inside a code leaves the rest of the row.
    row.assign(6, Guard);
    EXPECT_EQ(UnpackBitsRow(Bytes({0x05, 1, 2}), row), 3u);
    EXPECT_EQ(row, Bytes({1, 2, Guard, Guard, Guard, Guard}));
    EXPECT_EQ(UnpackBitsRow(Bytes({0xFE}), row), 1u);
}

TEST(FaxCodec, BrokenAndMissingCodesEndTheRowInsideIt) {
    // Every decoder, on nothing, on garbage and on codes that run past the row: the row is written, white
    // where nothing was decoded, and not one byte beyond it. The last input is vertical right 3 (0000011)
    // over and over.
    const Bytes inputs[] = {{},
                            {0, 0, 0},
                            {0xFF, 0xFF, 0xFF, 0xFF},
                            {0x02, 0x5A, 0xC3, 0x11, 0x99},
                            {0x06, 0x0C, 0x18, 0x30, 0x60, 0xC1, 0x83}};
    for (const int width : {1, 9, 17, 100}) {
        for (std::size_t i = 0; i < std::size(inputs); ++i) {
            for (int decoder = 0; decoder < 4; ++decoder) {
                SCOPED_TRACE(testing::Message() << width << " " << i << " " << decoder);
                const std::size_t bytes = std::size_t(width + 7) / 8;
                Bytes row(bytes + 4, Guard);
                TFaxState state(inputs[i], TFaxBitOrder::MostSignificantFirst);
                const auto out = std::span(row).first(bytes);
                for (int rowNumber = 0; rowNumber < 3; ++rowNumber) {
                    if (decoder == 0) {
                        DecodeModifiedHuffmanRow(state, width, out);
                    } else if (decoder < 3) {
                        DecodeGroup3Row(state, width, decoder == 2, out);
                    } else {
                        DecodeGroup4Row(state, width, out);
                    }
                }
                EXPECT_EQ(Bytes(row.begin() + std::ptrdiff_t(bytes), row.end()), Bytes(4, Guard));
            }
        }
    }
    TFaxState empty({}, TFaxBitOrder::MostSignificantFirst);
    Bytes row(2, 0);
    EXPECT_FALSE(DecodeGroup4Row(empty, 16, row));
    EXPECT_EQ(row, Bytes({0xFF, 0xFF}));
}

TEST(RgbRows, EveryLengthTurnsApartInPlaceAndMovingDownWithoutTouchingTheBytesAround) {
    // Lengths across several vector blocks and every remainder after them.
    for (int pixels = 0; pixels < 300; ++pixels) {
        SCOPED_TRACE(pixels);
        Bytes rgb(std::size_t(pixels) * 3);
        Bytes expected(rgb.size());
        for (std::size_t i = 0; i < rgb.size(); ++i) {
            rgb[i] = std::uint8_t(i * 7 + 1);
        }
        for (std::size_t i = 0; i < rgb.size(); i += 3) {
            expected[i] = rgb[i + 2];
            expected[i + 1] = rgb[i + 1];
            expected[i + 2] = rgb[i];
        }
        Bytes apart(rgb.size() + 2, Guard);
        RgbToBgr(rgb.data(), apart.data() + 1, pixels);
        EXPECT_EQ(apart, [&] {
            Bytes framed = expected;
            framed.insert(framed.begin(), Guard);
            framed.push_back(Guard);
            return framed;
        }());
        // The source that far on from the turned pixels, in the same buffer.
        for (const std::size_t down : {0, 1, 2, 7, 64}) {
            Bytes shared(1 + rgb.size() + down + 1, Guard);
            std::copy(rgb.begin(), rgb.end(), shared.begin() + std::ptrdiff_t(1 + down));
            RgbToBgr(shared.data() + 1 + down, shared.data() + 1, pixels);
            EXPECT_EQ(Bytes(shared.begin() + 1, shared.begin() + std::ptrdiff_t(1 + rgb.size())), expected);
            EXPECT_EQ(shared.front(), Guard);
            EXPECT_EQ(shared.back(), Guard);
        }
    }
}
