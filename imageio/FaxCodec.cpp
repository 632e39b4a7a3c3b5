#include "imageio/FaxCodec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string_view>

namespace {

struct TCode {
    std::string_view Bits;
    int Value;
};

// ITU-T T.4, table 2: terminating codes, white runs of 0 to 63.
constexpr TCode WhiteTerminating[] = {
    {"00110101", 0},  {"000111", 1},    {"0111", 2},      {"1000", 3},      {"1011", 4},
    {"1100", 5},      {"1110", 6},      {"1111", 7},      {"10011", 8},     {"10100", 9},
    {"00111", 10},    {"01000", 11},    {"001000", 12},   {"000011", 13},   {"110100", 14},
    {"110101", 15},   {"101010", 16},   {"101011", 17},   {"0100111", 18},  {"0001100", 19},
    {"0001000", 20},  {"0010111", 21},  {"0000011", 22},  {"0000100", 23},  {"0101000", 24},
    {"0101011", 25},  {"0010011", 26},  {"0100100", 27},  {"0011000", 28},  {"00000010", 29},
    {"00000011", 30}, {"00011010", 31}, {"00011011", 32}, {"00010010", 33}, {"00010011", 34},
    {"00010100", 35}, {"00010101", 36}, {"00010110", 37}, {"00010111", 38}, {"00101000", 39},
    {"00101001", 40}, {"00101010", 41}, {"00101011", 42}, {"00101100", 43}, {"00101101", 44},
    {"00000100", 45}, {"00000101", 46}, {"00001010", 47}, {"00001011", 48}, {"01010010", 49},
    {"01010011", 50}, {"01010100", 51}, {"01010101", 52}, {"00100100", 53}, {"00100101", 54},
    {"01011000", 55}, {"01011001", 56}, {"01011010", 57}, {"01011011", 58}, {"01001010", 59},
    {"01001011", 60}, {"00110010", 61}, {"00110011", 62}, {"00110100", 63},
};

// ITU-T T.4, table 2: terminating codes, black runs of 0 to 63.
constexpr TCode BlackTerminating[] = {
    {"0000110111", 0},
    {"010", 1},
    {"11", 2},
    {"10", 3},
    {"011", 4},
    {"0011", 5},
    {"0010", 6},
    {"00011", 7},
    {"000101", 8},
    {"000100", 9},
    {"0000100", 10},
    {"0000101", 11},
    {"0000111", 12},
    {"00000100", 13},
    {"00000111", 14},
    {"000011000", 15},
    {"0000010111", 16},
    {"0000011000", 17},
    {"0000001000", 18},
    {"00001100111", 19},
    {"00001101000", 20},
    {"00001101100", 21},
    {"00000110111", 22},
    {"00000101000", 23},
    {"00000010111", 24},
    {"00000011000", 25},
    {"000011001010", 26},
    {"000011001011", 27},
    {"000011001100", 28},
    {"000011001101", 29},
    {"000001101000", 30},
    {"000001101001", 31},
    {"000001101010", 32},
    {"000001101011", 33},
    {"000011010010", 34},
    {"000011010011", 35},
    {"000011010100", 36},
    {"000011010101", 37},
    {"000011010110", 38},
    {"000011010111", 39},
    {"000001101100", 40},
    {"000001101101", 41},
    {"000011011010", 42},
    {"000011011011", 43},
    {"000001010100", 44},
    {"000001010101", 45},
    {"000001010110", 46},
    {"000001010111", 47},
    {"000001100100", 48},
    {"000001100101", 49},
    {"000001010010", 50},
    {"000001010011", 51},
    {"000000100100", 52},
    {"000000110111", 53},
    {"000000111000", 54},
    {"000000100111", 55},
    {"000000101000", 56},
    {"000001011000", 57},
    {"000001011001", 58},
    {"000000101011", 59},
    {"000000101100", 60},
    {"000001011010", 61},
    {"000001100110", 62},
    {"000001100111", 63},
};

// ITU-T T.4, table 3a: make-up codes, white runs of 64 to 1728.
constexpr TCode WhiteMakeUp[] = {
    {"11011", 64},       {"10010", 128},      {"010111", 192},     {"0110111", 256},    {"00110110", 320},
    {"00110111", 384},   {"01100100", 448},   {"01100101", 512},   {"01101000", 576},   {"01100111", 640},
    {"011001100", 704},  {"011001101", 768},  {"011010010", 832},  {"011010011", 896},  {"011010100", 960},
    {"011010101", 1024}, {"011010110", 1088}, {"011010111", 1152}, {"011011000", 1216}, {"011011001", 1280},
    {"011011010", 1344}, {"011011011", 1408}, {"010011000", 1472}, {"010011001", 1536}, {"010011010", 1600},
    {"011000", 1664},    {"010011011", 1728},
};

// ITU-T T.4, table 3a: make-up codes, black runs of 64 to 1728.
constexpr TCode BlackMakeUp[] = {
    {"0000001111", 0 + 64},  {"000011001000", 128},   {"000011001001", 192},   {"000001011011", 256},
    {"000000110011", 320},   {"000000110100", 384},   {"000000110101", 448},   {"0000001101100", 512},
    {"0000001101101", 576},  {"0000001001010", 640},  {"0000001001011", 704},  {"0000001001100", 768},
    {"0000001001101", 832},  {"0000001110010", 896},  {"0000001110011", 960},  {"0000001110100", 1024},
    {"0000001110101", 1088}, {"0000001110110", 1152}, {"0000001110111", 1216}, {"0000001010010", 1280},
    {"0000001010011", 1344}, {"0000001010100", 1408}, {"0000001010101", 1472}, {"0000001011010", 1536},
    {"0000001011011", 1600}, {"0000001100100", 1664}, {"0000001100101", 1728},
};

// ITU-T T.4, table 3b: make-up codes of 1792 to 2560, the same for both colours.
constexpr TCode ExtendedMakeUp[] = {
    {"00000001000", 1792},  {"00000001100", 1856},  {"00000001101", 1920},  {"000000010010", 1984},
    {"000000010011", 2048}, {"000000010100", 2112}, {"000000010101", 2176}, {"000000010110", 2240},
    {"000000010111", 2304}, {"000000011100", 2368}, {"000000011101", 2432}, {"000000011110", 2496},
    {"000000011111", 2560},
};

enum TMode : int { Pass = 100, Horizontal = 101 };

// ITU-T T.4, table 4 (also T.6, table 1): the two-dimensional mode codes; vertical modes carry the offset
// of a1 from b1. The extension codes (0000001xxx) select uncompressed mode, which is not decoded.
constexpr TCode ModeCodes[] = {
    {"0001", Pass}, {"001", Horizontal}, {"1", 0},       {"011", 1},      {"000011", 2},
    {"0000011", 3}, {"010", -1},         {"000010", -2}, {"0000010", -3},
};

constexpr std::uint32_t EndOfLine = 1; // 000000000001 as a 12-bit number

struct TEntry {
    std::int16_t Value = 0;
    std::uint8_t Length = 0; // 0: no code begins with these bits
};

// A table indexed by the next Bits bits of the input: every index whose leading bits are a code holds
// that code's value and length.
template <int Bits> struct TLookup {
    std::array<TEntry, std::size_t(1) << Bits> Entries{};

    void Add(std::initializer_list<std::span<const TCode>> lists) {
        for (const auto& list : lists) {
            for (const TCode& code : list) {
                const int length = int(code.Bits.size());
                std::uint32_t prefix = 0;
                for (const char bit : code.Bits) {
                    prefix = (prefix << 1) | std::uint32_t(bit == '1');
                }
                const std::uint32_t first = prefix << (Bits - length);
                const std::uint32_t count = 1u << (Bits - length);
                for (std::uint32_t i = 0; i < count; ++i) {
                    Entries[first + i] = {std::int16_t(code.Value), std::uint8_t(length)};
                }
            }
        }
    }
};

// The longest white code has 12 bits, the longest black one 13, the longest mode code 7.
constexpr int WhiteBits = 12;
constexpr int BlackBits = 13;
constexpr int ModeBits = 7;

struct TTables {
    TLookup<WhiteBits> White;
    TLookup<BlackBits> Black;
    TLookup<ModeBits> Mode;

    TTables() {
        White.Add({WhiteTerminating, WhiteMakeUp, ExtendedMakeUp});
        Black.Add({BlackTerminating, BlackMakeUp, ExtendedMakeUp});
        Mode.Add({ModeCodes});
    }
};

const TTables& Tables() {
    static const TTables tables;
    return tables;
}

constexpr std::array<std::uint8_t, 256> ReversedBytes = [] {
    std::array<std::uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        int reversed = 0;
        for (int bit = 0; bit < 8; ++bit) {
            reversed |= ((i >> bit) & 1) << (7 - bit);
        }
        table[std::size_t(i)] = std::uint8_t(reversed);
    }
    return table;
}();

// Longer runs than any row can hold are kept from growing without bound (and overflowing) by long chains
// of make-up codes.
constexpr int MaxRun = 1 << 24;

// One run of make-up codes ended by a terminating code; -1 at an invalid code, which is not consumed.
int DecodeRun(TFaxState& state, bool white) {
    const TTables& tables = Tables();
    int total = 0;
    for (;;) {
        const TEntry entry =
            white ? tables.White.Entries[state.Peek(WhiteBits)] : tables.Black.Entries[state.Peek(BlackBits)];
        if (entry.Length == 0) {
            return -1;
        }
        state.Consume(entry.Length);
        total = std::min(total + entry.Value, MaxRun);
        if (entry.Value < 64) {
            return total;
        }
    }
}

// Adds a changing element; one at the same place as the last cancels it (a run of length 0 changes
// nothing), so the list stays strictly increasing, as a reference line must be.
void AddChange(std::vector<int>& changes, int position) {
    if (!changes.empty() && changes.back() == position) {
        changes.pop_back();
    } else {
        changes.push_back(position);
    }
}

bool DecodeOneDimensional(TFaxState& state, int width) {
    std::vector<int>& changes = state.Current;
    changes.clear();
    std::int64_t a0 = 0;
    bool white = true;
    while (a0 < width) {
        const int run = DecodeRun(state, white);
        if (run < 0) {
            return false;
        }
        a0 = std::min<std::int64_t>(a0 + run, width);
        if (a0 < width) {
            AddChange(changes, int(a0));
        }
        white = !white;
    }
    return true;
}

// T.4 4.2.1.3 (T.6 2.2): each mode codes a1 (and a2) relative to a0 and to b1, b2 on the reference line.
bool DecodeTwoDimensional(TFaxState& state, int width) {
    const std::vector<int>& reference = state.Reference;
    std::vector<int>& changes = state.Current;
    changes.clear();
    const TTables& tables = Tables();
    int a0 = -1; // the imaginary white pixel before the row
    bool white = true;
    std::size_t i = 0;
    while (a0 < width) {
        // b1: the first changing element on the reference line to the right of a0 whose colour is the
        // opposite of a0's; changes at even indices turn to black. The reference line ends in three
        // elements at the row's width, so b1 and b2 always exist.
        while (i > 0 && reference[i - 1] > a0) {
            --i;
        }
        while (reference[i] <= a0 && reference[i] < width) {
            ++i;
        }
        if ((i & 1) != (white ? 0u : 1u)) {
            ++i;
        }
        const int b1 = reference[i];
        const int b2 = reference[i + 1];

        const TEntry mode = tables.Mode.Entries[state.Peek(ModeBits)];
        if (mode.Length == 0) {
            return false;
        }
        state.Consume(mode.Length);
        if (mode.Value == Pass) {
            a0 = b2;
        } else if (mode.Value == Horizontal) {
            const int first = DecodeRun(state, white);
            const int second = first < 0 ? -1 : DecodeRun(state, !white);
            if (second < 0) {
                return false;
            }
            const std::int64_t a1 = std::min<std::int64_t>(std::int64_t(std::max(a0, 0)) + first, width);
            const std::int64_t a2 = std::min<std::int64_t>(a1 + second, width);
            for (const std::int64_t a : {a1, a2}) {
                if (a < width) {
                    AddChange(changes, int(a));
                }
            }
            a0 = int(a2);
        } else {
            const int a1 = b1 + mode.Value;
            if (a1 < 0 || a1 < a0 || a1 > width) {
                return false;
            }
            if (a1 < width) {
                AddChange(changes, a1);
            }
            a0 = a1;
            white = !white;
        }
    }
    return true;
}

void ClearBits(std::uint8_t* row, int from, int to) {
    if (from >= to) {
        return;
    }
    const int first = from >> 3;
    const int last = (to - 1) >> 3;
    const auto head = std::uint8_t(0xFF >> (from & 7));
    const auto tail = std::uint8_t(0xFF << (7 - ((to - 1) & 7)));
    if (first == last) {
        row[first] &= std::uint8_t(~(head & tail));
        return;
    }
    row[first] &= std::uint8_t(~head);
    // Most runs of a page are short; a call of memset would cost more than the loop.
    for (int i = first + 1; i < last; ++i) {
        row[i] = 0;
    }
    row[last] &= std::uint8_t(~tail);
}

// Writes the row of the current changing elements, then makes them the reference line of the next row.
void FinishRow(TFaxState& state, int width, std::span<std::uint8_t> row) {
    const std::size_t bytes = std::min(row.size(), (std::size_t(width) + 7) / 8);
    const int limit = int(std::min<std::size_t>(std::size_t(width), bytes * 8));
    if (bytes > 0) {
        std::memset(row.data(), 0xFF, bytes);
    }
    const std::vector<int>& changes = state.Current;
    for (std::size_t k = 0; k < changes.size(); k += 2) {
        const int to = k + 1 < changes.size() ? changes[k + 1] : width;
        ClearBits(row.data(), std::min(changes[k], limit), std::min(to, limit));
    }
    std::swap(state.Reference, state.Current);
    state.Reference.insert(state.Reference.end(), 3, width);
}

void PrepareReference(TFaxState& state, int width) {
    if (state.Reference.empty()) {
        // Room for the changes of any ordinary page row; a row holding more (one per pixel at most)
        // grows the lists as its codes arrive, never beyond what its coded bits describe.
        const std::size_t most = std::min<std::size_t>(std::size_t(width) + 4, 1 << 16);
        state.Reference.reserve(most);
        state.Current.reserve(most);
        state.Reference.assign(3, width);
    }
}

// Skips fill bits and one end-of-line code if they come next; tells whether there was one.
bool SkipEndOfLine(TFaxState& state) {
    while (!state.AtEnd() && state.Peek(12) == 0) {
        state.Consume(1);
    }
    if (state.Peek(12) != EndOfLine) {
        return false;
    }
    state.Consume(12);
    return true;
}

void SeekEndOfLine(TFaxState& state) {
    while (!state.AtEnd() && state.Peek(12) != EndOfLine) {
        state.Consume(1);
    }
}

} // namespace

TFaxState::TFaxState(std::span<const std::uint8_t> bytes, TFaxBitOrder order) : FBytes(bytes) {
    if (order == TFaxBitOrder::LeastSignificantFirst) {
        FReversed.resize(bytes.size());
        std::transform(bytes.begin(), bytes.end(), FReversed.begin(),
                       [](std::uint8_t byte) { return ReversedBytes[byte]; });
        FBytes = FReversed;
    }
}

std::uint32_t TFaxState::Peek(int count) {
    const std::size_t first = FPosition >> 3;
    std::uint64_t window = 0;
    if (first + 8 <= FBytes.size()) {
        std::memcpy(&window, FBytes.data() + first, 8);
        if constexpr (std::endian::native == std::endian::little) {
            window = __builtin_bswap64(window);
        }
    } else {
        for (std::size_t k = 0; k < 8; ++k) {
            window = (window << 8) | (first + k < FBytes.size() ? FBytes[first + k] : 0);
        }
    }
    // count <= 32 leaves room for the up to 7 bits already consumed of the first byte.
    const int skip = int(FPosition & 7);
    return std::uint32_t((window << skip) >> (64 - count));
}

bool DecodeModifiedHuffmanRow(TFaxState& state, int width, std::span<std::uint8_t> row) {
    state.AlignToByte();
    PrepareReference(state, width);
    const bool complete = DecodeOneDimensional(state, width);
    FinishRow(state, width, row);
    return complete;
}

bool DecodeGroup3Row(TFaxState& state, int width, bool twoDimensional, std::span<std::uint8_t> row) {
    PrepareReference(state, width);
    const bool endOfLine = SkipEndOfLine(state);
    bool oneDimensional = true;
    if (twoDimensional && endOfLine) {
        // T.4 4.2.2: the tag bit after the end-of-line code, 1 for a one-dimensional row.
        oneDimensional = state.Peek(1) == 1;
        state.Consume(1);
    }
    const bool complete =
        oneDimensional ? DecodeOneDimensional(state, width) : DecodeTwoDimensional(state, width);
    FinishRow(state, width, row);
    if (!complete) {
        SeekEndOfLine(state);
    }
    return complete;
}

bool DecodeGroup4Row(TFaxState& state, int width, std::span<std::uint8_t> row) {
    PrepareReference(state, width);
    const bool complete = DecodeTwoDimensional(state, width);
    FinishRow(state, width, row);
    return complete;
}
