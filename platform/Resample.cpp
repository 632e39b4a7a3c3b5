#include "platform/Resample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// For each target index, the run of source indices it draws from and their weights, which sum to 1.
struct TTaps {
    std::vector<int> First;
    std::vector<int> Count;
    std::vector<float> Weights; // Stride per target index
    int Stride = 1;
};

TTaps MakeTaps(int sourceLength, int targetLength) {
    TTaps taps;
    taps.First.resize(std::size_t(targetLength));
    taps.Count.resize(std::size_t(targetLength));
    if (targetLength < sourceLength) {
        const double scale = double(sourceLength) / targetLength;
        taps.Stride = int(std::ceil(scale)) + 1;
        taps.Weights.assign(std::size_t(targetLength) * std::size_t(taps.Stride), 0.0f);
        for (int i = 0; i < targetLength; ++i) {
            const double start = i * scale;
            const double end = std::min((i + 1) * scale, double(sourceLength));
            const int first = std::min(int(std::floor(start)), sourceLength - 1);
            const int last = std::clamp(int(std::ceil(end)) - 1, first, sourceLength - 1);
            int count = 0;
            float* weights = &taps.Weights[std::size_t(i) * std::size_t(taps.Stride)];
            for (int j = first; j <= last && count < taps.Stride; ++j) {
                const double overlap = std::min(double(j + 1), end) - std::max(double(j), start);
                weights[count++] = float(std::max(overlap, 0.0) / scale);
            }
            taps.First[std::size_t(i)] = first;
            taps.Count[std::size_t(i)] = count;
        }
        return taps;
    }
    taps.Stride = 2;
    taps.Weights.assign(std::size_t(targetLength) * 2, 0.0f);
    const double scale = double(sourceLength) / targetLength;
    for (int i = 0; i < targetLength; ++i) {
        const double position = std::max((i + 0.5) * scale - 0.5, 0.0);
        int first = int(std::floor(position));
        double fraction = position - first;
        if (first >= sourceLength - 1) {
            first = sourceLength - 1;
            fraction = 0.0;
        }
        float* weights = &taps.Weights[std::size_t(i) * 2];
        weights[0] = float(1.0 - fraction);
        weights[1] = float(fraction);
        taps.First[std::size_t(i)] = first;
        taps.Count[std::size_t(i)] = fraction > 0.0 ? 2 : 1;
    }
    return taps;
}

// Gives every target index exactly Stride taps, padding with zero weights, so that the inner loops have a
// fixed length. Runs near the far edge start earlier instead of reading past the row.
void PadTaps(TTaps& taps, int sourceLength) {
    if (taps.Stride > sourceLength) {
        return;
    }
    const int stride = taps.Stride;
    for (std::size_t i = 0; i < taps.First.size(); ++i) {
        float* weights = &taps.Weights[i * std::size_t(stride)];
        const int shift = std::max(0, taps.First[i] + stride - sourceLength);
        if (shift > 0) {
            for (int k = stride - 1; k >= 0; --k) {
                weights[k] = k >= shift ? weights[k - shift] : 0.0f;
            }
            taps.First[i] -= shift;
        }
        taps.Count[i] = stride;
    }
}

template <int Taps, int Channels>
void ResampleRowFixed(const std::uint8_t* row, const TTaps& taps, float* out) {
    const int width = int(taps.First.size());
    const float* weights = taps.Weights.data();
    for (int i = 0; i < width; ++i, weights += Taps) {
        const std::uint8_t* p = row + std::size_t(taps.First[std::size_t(i)]) * Channels;
        float sum[Channels] = {};
        for (int k = 0; k < Taps; ++k) {
            for (int c = 0; c < Channels; ++c) {
                sum[c] += weights[k] * p[k * Channels + c];
            }
        }
        for (int c = 0; c < Channels; ++c) {
            out[i * Channels + c] = sum[c];
        }
    }
}

template <int Channels> void ResampleRowAny(const std::uint8_t* row, const TTaps& taps, float* out) {
    const int width = int(taps.First.size());
    for (int i = 0; i < width; ++i) {
        const float* weights = &taps.Weights[std::size_t(i) * std::size_t(taps.Stride)];
        const std::uint8_t* p = row + std::size_t(taps.First[std::size_t(i)]) * Channels;
        float sum[Channels] = {};
        for (int k = 0; k < taps.Count[std::size_t(i)]; ++k) {
            for (int c = 0; c < Channels; ++c) {
                sum[c] += weights[k] * p[k * Channels + c];
            }
        }
        for (int c = 0; c < Channels; ++c) {
            out[i * Channels + c] = sum[c];
        }
    }
}

template <int Channels>
void ResampleRowOf(const std::uint8_t* row, const TTaps& taps, bool padded, float* out) {
    if (padded) {
        switch (taps.Stride) {
        case 1:
            return ResampleRowFixed<1, Channels>(row, taps, out);
        case 2:
            return ResampleRowFixed<2, Channels>(row, taps, out);
        case 3:
            return ResampleRowFixed<3, Channels>(row, taps, out);
        case 4:
            return ResampleRowFixed<4, Channels>(row, taps, out);
        case 5:
            return ResampleRowFixed<5, Channels>(row, taps, out);
        default:
            break;
        }
    }
    ResampleRowAny<Channels>(row, taps, out);
}

// One source row resampled horizontally: width * channels values.
void ResampleRow(const std::uint8_t* row, int channels, const TTaps& taps, bool padded, float* out) {
    if (channels == 3) {
        ResampleRowOf<3>(row, taps, padded, out);
    } else {
        ResampleRowOf<1>(row, taps, padded, out);
    }
}

// sum[i] += w * row[i] over from .. to; the two never overlap, which lets the loop be vectorised.
void AddScaled(float* __restrict sum, const float* __restrict row, float w, std::size_t from,
               std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
        sum[i] += w * row[i];
    }
}

std::uint8_t ToByte(float v) {
    return std::uint8_t(std::clamp(int(v + 0.5f), 0, 255));
}

bool IsLightBgr(int b, int g, int r) {
    return (299 * r + 587 * g + 114 * b) / 1000 >= 128;
}

void PutBit(std::uint8_t* row, int x, bool on) {
    const std::uint8_t mask = std::uint8_t(0x80 >> (x & 7));
    row[x >> 3] = on ? std::uint8_t(row[x >> 3] | mask) : std::uint8_t(row[x >> 3] & ~mask);
}

} // namespace

void StretchHalftone(const TBitmap& source, TBitmap& target, int left, int top, int width, int height) {
    if (source.Empty() || target.Empty() || width <= 0 || height <= 0) {
        return;
    }
    const int columnFrom = std::max(0, -left);
    const int columnTo = std::min(width, target.Width() - left);
    const int rowFrom = std::max(0, -top);
    const int rowTo = std::min(height, target.Height() - top);
    if (columnFrom >= columnTo || rowFrom >= rowTo) {
        return;
    }
    const bool mono = source.PixelFormat() == TPixelFormat::pf1bit;
    const int channels = mono ? 1 : 3;
    TTaps across = MakeTaps(source.Width(), width);
    const bool padded = across.Stride <= source.Width();
    PadTaps(across, source.Width());
    const TTaps down = MakeTaps(source.Height(), height);

    // Horizontally resampled source rows, kept in a ring as large as the widest vertical run: the runs of
    // consecutive target rows only move forward, so the rows of one run never share a slot.
    const std::size_t rowValues = std::size_t(width) * std::size_t(channels);
    const int ringSize = down.Stride;
    std::vector<float> ring(rowValues * std::size_t(ringSize));
    std::vector<int> ringRow(std::size_t(ringSize), -1);
    std::vector<std::uint8_t> unpacked(mono ? std::size_t(source.Width()) : 0);
    std::vector<float> sum(rowValues);

    auto horizontal = [&](int y) -> const float* {
        float* slot = &ring[std::size_t(y % ringSize) * rowValues];
        if (ringRow[std::size_t(y % ringSize)] != y) {
            const std::uint8_t* row = source.ScanLine(y);
            if (mono) {
                for (int x = 0; x < source.Width(); ++x) {
                    unpacked[std::size_t(x)] = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
                }
                row = unpacked.data();
            }
            ResampleRow(row, channels, across, padded, slot);
            ringRow[std::size_t(y % ringSize)] = y;
        }
        return slot;
    };

    const bool targetMono = target.PixelFormat() == TPixelFormat::pf1bit;
    for (int y = rowFrom; y < rowTo; ++y) {
        const float* weights = &down.Weights[std::size_t(y) * std::size_t(down.Stride)];
        const int first = down.First[std::size_t(y)];
        const int count = down.Count[std::size_t(y)];
        const std::size_t from = std::size_t(columnFrom) * std::size_t(channels);
        const std::size_t to = std::size_t(columnTo) * std::size_t(channels);
        std::fill(sum.begin() + std::ptrdiff_t(from), sum.begin() + std::ptrdiff_t(to), 0.0f);
        for (int k = 0; k < count; ++k) {
            AddScaled(sum.data(), horizontal(first + k), weights[k], from, to);
        }
        std::uint8_t* out = target.ScanLine(top + y);
        for (int x = columnFrom; x < columnTo; ++x) {
            const float* v = &sum[std::size_t(x) * std::size_t(channels)];
            const int b = ToByte(v[0]);
            const int g = mono ? b : ToByte(v[1]);
            const int r = mono ? b : ToByte(v[2]);
            if (targetMono) {
                PutBit(out, left + x, IsLightBgr(b, g, r));
            } else {
                std::uint8_t* p = out + std::size_t(left + x) * 3;
                p[0] = std::uint8_t(b);
                p[1] = std::uint8_t(g);
                p[2] = std::uint8_t(r);
            }
        }
    }
}
