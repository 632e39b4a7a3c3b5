#pragma once

#include "platform/Color.h"

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

enum class TPixelFormat { pf1bit, pf24bit };

// The device-independent bitmap of the program: 1 bit per pixel (leftmost pixel in the most significant
// bit, 0 black, 1 white) or 24 bits per pixel (blue, green, red), rows padded to four bytes, row 0 on top.
// An empty bitmap has a width or height of 0.
//
// Changing the size keeps the pixels inside the old size and fills new area with BrushColor; changing the
// pixel format keeps the picture. Every change made through the bitmap's own operations fires OnChange;
// code that writes pixels through ScanLine calls Changed() when it is done.
//
// A pixel block outlives the picture in it: an emptied bitmap keeps its block, and a new picture that
// needs at most that block and more than half of it takes it over instead of a fresh one. A slide show
// of photographs of about the same size thus allocates (and faults in) its blocks once. A picture of a
// handful of pixels (the one-pixel placeholder that a reader sets before it knows the real size) keeps
// the block too, so that the real size after it still finds it. Large blocks are mapped from the system
// and unmapped when given back, so a freed photograph returns its memory at once instead of staying in
// the allocator's free lists.
class TBitmap {
public:
    // Corrupt headers can ask for any size; no pixel block may exceed this. 1 GiB holds a 24-bit picture
    // of about 350 megapixels, far beyond any photograph, and stays allocatable on a 32-bit build too.
    static constexpr std::int64_t MaxPixelBytes = std::int64_t(1) << 30;

    TBitmap() = default;
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
    TBitmap(TBitmap&&) noexcept = default;
    TBitmap& operator=(TBitmap&&) noexcept = default;
    ~TBitmap() = default;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    TPixelFormat PixelFormat() const { return FPixelFormat; }
    bool Empty() const { return FWidth == 0 || FHeight == 0; }

    void SetWidth(int width) { SetSize(width, FHeight); }
    void SetHeight(int height) { SetSize(FWidth, height); }
    // Negative sizes count as 0. Throws EOutOfMemory when the pixel block would exceed MaxPixelBytes.
    void SetSize(int width, int height);
    void SetPixelFormat(TPixelFormat format);
    // Size, format and pixels at once, the pixels all BrushColor; the old picture is dropped, which
    // spares the copy that SetSize makes.
    void Reset(int width, int height, TPixelFormat format);
    // As Reset with every pixel color, but each row is filled only when it is first reached through
    // ScanLine, and the rows not reached yet when anything takes the whole block (Bits, Image, a copy, a
    // change of size or format). A reader writing the rows thus fills them while they are in the cache,
    // and rows it never reaches (a file that ends early) still come out color.
    void ResetFillingOnDemand(int width, int height, TPixelFormat format, TColor color);
    // Gives the block back when it is more than twice what the picture needs (all of it for an empty
    // bitmap), moving the picture into a block of its own size.
    void TrimBlock();
    // Takes size, format and pixels of another bitmap.
    void Assign(const TBitmap& source);
    // Exchanges size, format and pixel block with another bitmap, without copying; brush colour and
    // OnChange stay with each. Both notify their change.
    void SwapPixels(TBitmap& other);
    // Bytes of the pixel block now held, also by an empty bitmap.
    std::int64_t Capacity() const { return FCapacity; }

    TColor BrushColor() const { return FBrushColor; }
    void SetBrushColor(TColor color) { FBrushColor = color; }
    // Fills the whole bitmap with a colour (for 1 bit: white when the colour is light, else black).
    void Fill(TColor color);

    int RowBytes() const { return FRowBytes; }
    // Throws EInvalidGraphic when y is not a row of the bitmap.
    std::uint8_t* ScanLine(int y);
    const std::uint8_t* ScanLine(int y) const;
    // ScanLine for a caller that sets every pixel of the row: the fill that ResetFillingOnDemand left for
    // it is skipped, but for the padding at the row's end.
    std::uint8_t* ScanLineToOverwrite(int y);
    std::uint8_t* Bits();
    const std::uint8_t* Bits() const;

    // A QImage over the pixel block itself (no copy): Format_BGR888, or Format_Mono with the colour table
    // black, white. Valid until the next change of size or format.
    QImage Image();
    QImage Image() const;

    std::function<void()> OnChange;
    void Changed() const;

    // The padded row size, or -1 when a width is out of range.
    static std::int64_t RowBytesFor(int width, TPixelFormat format);
    // Bytes of the pixel block of that size; any size beyond MaxPixelBytes gives MaxPixelBytes + 1.
    static std::int64_t PixelBytesFor(int width, int height, TPixelFormat format);
    // Bytes of the pixel blocks that all bitmaps together hold now.
    static std::int64_t HeldBlockBytes();

private:
    // Frees a block the way it was obtained: unmapped when it was mapped, deleted otherwise.
    struct TBlockRelease {
        std::size_t Bytes;
        void operator()(std::uint8_t* block) const;
    };
    using TBlock = std::unique_ptr<std::uint8_t, TBlockRelease>;

    // Throws EOutOfMemory for a size beyond MaxPixelBytes; else returns the bytes of the block.
    static std::int64_t CheckedBytes(int width, int height, TPixelFormat format);
    TBlock Allocate(int width, int height, TPixelFormat format) const;
    bool CanReuse(std::int64_t bytes) const;
    // Makes the block fit a picture of that many bytes, reusing it where it can; the pixels are undefined.
    void TakeBlock(int width, int height, TPixelFormat format);
    void FillRows(std::uint8_t* bits, int rowBytes, int width, int fromRow, int toRow, int fromColumn,
                  TPixelFormat format, TColor color) const;
    // The fill that ResetFillingOnDemand left for later: one row of it, all of it, or none of it.
    // Marks row y as no longer pending; true when it was.
    bool TakePendingRow(int y) const;
    void FillPendingRow(int y) const;
    void CompletePendingFill() const;
    void DropPendingFill() const;

    int FWidth = 0;
    int FHeight = 0;
    int FRowBytes = 0;
    TPixelFormat FPixelFormat = TPixelFormat::pf24bit;
    TColor FBrushColor = clWhite;
    TBlock FBits;
    std::int64_t FCapacity = 0;
    // Rows still to be filled with FPendingColor; the vector is empty when there are none.
    mutable std::vector<bool> FPendingRows;
    mutable int FPendingCount = 0;
    TColor FPendingColor = clBlack;
};
