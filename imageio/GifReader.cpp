// GIF files through giflib: the first image of the file, drawn at its offset on a black logical screen
// (grown to hold the image where the image reaches past it, as browsers show such files), its transparent
// index left black. The library decodes the LZW stream line by line; this file walks the records up to
// the first image, takes the transparent index from the graphic control extension before it, and maps
// the colour indices to blue, green, red.

#include "imageio/Readers.h"
#include "imageio/Stream.h"

#include "platform/Exceptions.h"

#include <algorithm>
#include <array>
#include <bit>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include <gif_lib.h>

namespace {

struct TGifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using TGifFile = std::unique_ptr<GifFileType, TGifCloser>;

// The library asks for a length byte, then for the block of at most 255 bytes it announces; a buffer
// spares a system call for each.
struct TBufferedInput {
    static constexpr int Capacity = 64 * 1024;
    TStream* Stream = nullptr;
    int Next = 0;
    int End = 0;
    std::uint8_t Bytes[Capacity];
};

int ReadFromStream(GifFileType* gif, GifByteType* buffer, int count) {
    auto& input = *static_cast<TBufferedInput*>(gif->UserData);
    int copied = 0;
    while (copied < count) {
        if (input.Next == input.End) {
            input.Next = 0;
            input.End = int(input.Stream->Read(input.Bytes, TBufferedInput::Capacity));
            if (input.End <= 0) {
                input.End = 0;
                break;
            }
        }
        const int part = std::min(count - copied, input.End - input.Next);
        std::memcpy(buffer + copied, input.Bytes + input.Next, std::size_t(part));
        input.Next += part;
        copied += part;
    }
    return copied;
}

// Each of the 256 indices as blue + green << 8 + red << 16. Indices beyond the colour table stay black; a
// file without any colour table gets the grey ramp that decoders commonly assume. The transparent index
// is black too: the first image lies on a black screen.
using TColourTable = std::array<std::uint64_t, 256>;

std::uint64_t PackedColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return std::uint64_t(blue) | std::uint64_t(green) << 8 | std::uint64_t(red) << 16;
}

TColourTable ColourTableOf(const ColorMapObject* map, int transparent) {
    TColourTable table{};
    if (!map || !map->Colors) {
        for (int i = 0; i < 256; ++i) {
            table[std::size_t(i)] = PackedColour(std::uint8_t(i), std::uint8_t(i), std::uint8_t(i));
        }
    } else {
        const int count = std::clamp(map->ColorCount, 0, 256);
        for (int i = 0; i < count; ++i) {
            const GifColorType& colour = map->Colors[i];
            table[std::size_t(i)] = PackedColour(colour.Red, colour.Green, colour.Blue);
        }
    }
    if (transparent >= 0 && transparent < 256) {
        table[std::size_t(transparent)] = 0;
    }
    return table;
}

void KeepPalette(const ColorMapObject* map, TIOParams& params) {
    params.FreePalette();
    if (!map || !map->Colors) {
        return;
    }
    const int count = std::clamp(map->ColorCount, 0, 256);
    params.Palette.resize(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        params.Palette[std::size_t(i)] = {map->Colors[i].Blue, map->Colors[i].Green, map->Colors[i].Red};
    }
    params.PaletteCount = count;
}

// Skips extensions up to the first image descriptor; the graphic control extension of the image gives
// its transparent index. False at the end of the file or on an error.
bool FindFirstImage(GifFileType* gif, int& transparent) {
    transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &record) == GIF_ERROR) {
            return false;
        }
        if (record == IMAGE_DESC_RECORD_TYPE) {
            return DGifGetImageDesc(gif) == GIF_OK;
        }
        if (record != EXTENSION_RECORD_TYPE) {
            return false;
        }
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) {
            return false;
        }
        if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
            GraphicsControlBlock control{};
            if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) {
                transparent = control.TransparentColor;
            }
        }
        while (block) {
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
                return false;
            }
        }
    }
}

// The image row that the n-th line of the file holds: interlaced images send every eighth row from 0,
// every eighth from 4, every fourth from 2, then every second from 1.
int RowOfLine(int line, int height, bool interlaced) {
    if (!interlaced) {
        return line;
    }
    static constexpr int Starts[4] = {0, 4, 2, 1};
    static constexpr int Steps[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const int rows = height > Starts[pass] ? (height - Starts[pass] + Steps[pass] - 1) / Steps[pass] : 0;
        if (line < rows) {
            return Starts[pass] + line * Steps[pass];
        }
        line -= rows;
    }
    return -1;
}

void StoreWord(std::uint8_t* to, std::uint64_t word) {
    if constexpr (std::endian::native == std::endian::big) {
        word = __builtin_bswap64(word);
    }
    std::memcpy(to, &word, 8);
}

// Eight pixels of three bytes are exactly three 64-bit words: three stores instead of eight, and none
// reaching past the pixels drawn.
void DrawEight(const std::uint8_t* indices, const TColourTable& colours, std::uint8_t* to) {
    const std::uint64_t c0 = colours[indices[0]], c1 = colours[indices[1]], c2 = colours[indices[2]],
                        c3 = colours[indices[3]], c4 = colours[indices[4]], c5 = colours[indices[5]],
                        c6 = colours[indices[6]], c7 = colours[indices[7]];
    StoreWord(to, c0 | c1 << 24 | c2 << 48);
    StoreWord(to + 8, c2 >> 16 | c3 << 8 | c4 << 32 | c5 << 56);
    StoreWord(to + 16, c5 >> 8 | c6 << 16 | c7 << 40);
}

void DrawLine(const std::uint8_t* indices, int width, const TColourTable& colours, std::uint8_t* to) {
    int x = 0;
    for (; x + 8 <= width; x += 8, to += 24) {
        DrawEight(indices + x, colours, to);
    }
    for (; x < width; ++x, to += 3) {
        const std::uint64_t colour = colours[indices[x]];
        to[0] = std::uint8_t(colour);
        to[1] = std::uint8_t(colour >> 8);
        to[2] = std::uint8_t(colour >> 16);
    }
}

// Decoded lines go to the drawing in batches. On a large picture a second thread draws one batch while
// giflib decodes the next, so the colour expansion costs no time beyond the decode; a small picture is
// drawn batch by batch on the calling thread. Only the calling thread touches the bitmap's bookkeeping:
// each line comes with the row it goes to.
class TLineDrawer {
public:
    TLineDrawer(int width, const TColourTable& colours, bool parallel) : Width(width), Colours(colours) {
        for (TBatch& batch : Batches) {
            batch.Indices.resize(std::size_t(width) * BatchLines);
        }
        if (parallel) {
            try {
                Worker = std::thread([this] { DrawHandedOver(); });
            } catch (const std::system_error&) {
                // No thread to be had: the lines are drawn here.
            }
        }
    }

    TLineDrawer(const TLineDrawer&) = delete;
    TLineDrawer& operator=(const TLineDrawer&) = delete;

    // Draws every line taken so far except one whose decoding failed, then stops the worker.
    ~TLineDrawer() {
        HandOver();
        if (Worker.joinable()) {
            {
                const std::lock_guard lock(Mutex);
                Finished = true;
            }
            Changed.notify_all();
            Worker.join();
        }
    }

    // Where to decode the line that goes to `row`; a further call (or the end) commits it.
    std::uint8_t* LineFor(std::uint8_t* row) {
        if (Pending == BatchLines) {
            HandOver();
        }
        if (Pending == 0) {
            WaitForFreeBatch();
        }
        TBatch& batch = Batches[std::size_t(Filled % BatchCount)];
        batch.Rows[std::size_t(Pending)] = row;
        return batch.Indices.data() + std::size_t(Width) * std::size_t(Pending++);
    }

    // The line last given out was not decoded and must not be drawn.
    void DropLast() {
        if (Pending > 0) {
            --Pending;
        }
    }

private:
    static constexpr int BatchLines = 16;
    static constexpr int BatchCount = 4;

    struct TBatch {
        std::vector<std::uint8_t> Indices;
        std::array<std::uint8_t*, BatchLines> Rows{};
        int Lines = 0;
    };

    void Draw(const TBatch& batch) const {
        for (int i = 0; i < batch.Lines; ++i) {
            DrawLine(batch.Indices.data() + std::size_t(Width) * std::size_t(i), Width, Colours,
                     batch.Rows[std::size_t(i)]);
        }
    }

    void HandOver() {
        if (Pending == 0) {
            return;
        }
        TBatch& batch = Batches[std::size_t(Filled % BatchCount)];
        batch.Lines = Pending;
        Pending = 0;
        if (!Worker.joinable()) {
            Draw(batch);
            return;
        }
        {
            const std::lock_guard lock(Mutex);
            ++Filled;
        }
        Changed.notify_all();
    }

    void WaitForFreeBatch() {
        if (Worker.joinable()) {
            std::unique_lock lock(Mutex);
            Changed.wait(lock, [this] { return Filled - Drawn < BatchCount; });
        }
    }

    void DrawHandedOver() {
        std::unique_lock lock(Mutex);
        for (;;) {
            Changed.wait(lock, [this] { return Drawn < Filled || Finished; });
            if (Drawn == Filled) {
                return;
            }
            const TBatch& batch = Batches[std::size_t(Drawn % BatchCount)];
            lock.unlock();
            Draw(batch);
            lock.lock();
            ++Drawn;
            Changed.notify_all();
        }
    }

    const int Width;
    const TColourTable& Colours;
    std::array<TBatch, BatchCount> Batches;
    int Pending = 0; // lines in the batch being filled, on the calling thread only
    std::mutex Mutex;
    std::condition_variable Changed;
    int Filled = 0; // batches handed over (guarded by Mutex; only the calling thread changes it)
    int Drawn = 0;  // batches drawn (guarded by Mutex)
    bool Finished = false;
    std::thread Worker; // last, so that it starts after everything it uses
};

// Below this many pixels a second thread costs more than it saves.
constexpr std::int64_t ParallelDrawPixels = 1 << 20;

} // namespace

void ReadGif(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context) {
    const auto input = std::make_unique<TBufferedInput>();
    input->Stream = &stream;
    int error = 0;
    TGifFile gif(DGifOpen(input.get(), ReadFromStream, &error));
    int transparent = NO_TRANSPARENT_COLOR;
    if (!gif || !FindFirstImage(gif.get(), transparent)) {
        context.Abort();
        return;
    }
    const GifImageDesc& image = gif->Image;
    if (image.Width <= 0 || image.Height <= 0 || image.Left < 0 || image.Top < 0) {
        context.Abort();
        return;
    }
    // Each side below 2^17: the sums cannot overflow.
    const int width = std::max(gif->SWidth, image.Left + image.Width);
    const int height = std::max(gif->SHeight, image.Top + image.Height);
    CheckBitmapSize(width, height, TPixelFormat::pf24bit);

    const ColorMapObject* map = image.ColorMap ? image.ColorMap : gif->SColorMap;
    params.Width = width;
    params.Height = height;
    params.BitsPerSample = map ? map->BitsPerPixel : 8;
    params.SamplesPerPixel = 1;
    KeepPalette(map, params);
    const TColourTable colours = ColourTableOf(map, transparent);

    ResetBitmapBlack(bitmap, width, height, TPixelFormat::pf24bit);
    // An image as wide as the screen sets every pixel of its rows, so they need no black first.
    const bool wholeRows = image.Left == 0 && image.Width == width;
    TLineDrawer drawer(image.Width, colours, std::int64_t(image.Width) * image.Height >= ParallelDrawPixels);
    context.Factor = 100.0 / image.Height;
    context.Counter = 0;
    for (int n = 0; n < image.Height; ++n) {
        const int y = image.Top + RowOfLine(n, image.Height, image.Interlace);
        std::uint8_t* row = wholeRows ? bitmap.ScanLineToOverwrite(y) : bitmap.ScanLine(y);
        if (DGifGetLine(gif.get(), drawer.LineFor(row + std::size_t(image.Left) * 3), image.Width) ==
            GIF_ERROR) {
            drawer.DropLast();
            context.Abort();
            return;
        }
        ++context.Counter;
        context.Report();
        if (context.IsAborted()) {
            return;
        }
    }
}
