#pragma once

#include <QFile>
#include <QString>

#include <cstdint>

// The readers' view of a picture file: a position inside a known number of bytes. A read past the end
// delivers what is left, possibly nothing, and is no error; the readers treat missing bytes as their
// formats say. Position may lie beyond the end after a seek; reads there deliver nothing.
class TStream {
public:
    virtual ~TStream() = default;
    // Copies up to count bytes to buffer and advances; returns the number copied (0 at the end).
    virtual std::int64_t Read(void* buffer, std::int64_t count) noexcept = 0;
    // Negative positions count as 0.
    virtual void Seek(std::int64_t position) noexcept = 0;
    virtual std::int64_t Position() const noexcept = 0;
    virtual std::int64_t Size() const noexcept = 0;

    std::int64_t Remaining() const noexcept {
        const std::int64_t left = Size() - Position();
        return left > 0 ? left : 0;
    }
    void Skip(std::int64_t count) noexcept { Seek(Position() + count); }
};

// A file opened read-only. Reads go straight to the system (no second buffer): the readers ask for
// whole rows or blocks of several kilobytes.
class TFileStream final : public TStream {
public:
    // Raises "Cannot open file "%s". %s" when the file cannot be opened for reading.
    explicit TFileStream(const QString& path);

    std::int64_t Read(void* buffer, std::int64_t count) noexcept override;
    void Seek(std::int64_t position) noexcept override;
    std::int64_t Position() const noexcept override { return FPosition; }
    std::int64_t Size() const noexcept override { return FSize; }

private:
    QFile FFile;
    std::int64_t FSize = 0;
    std::int64_t FPosition = 0;
};

// Bytes in memory that the caller keeps alive: test pictures and fuzzing inputs.
class TMemoryStream final : public TStream {
public:
    TMemoryStream(const void* data, std::int64_t size) noexcept
        : FData(static_cast<const std::uint8_t*>(data)), FSize(size > 0 ? size : 0) {}

    std::int64_t Read(void* buffer, std::int64_t count) noexcept override;
    void Seek(std::int64_t position) noexcept override { FPosition = position > 0 ? position : 0; }
    std::int64_t Position() const noexcept override { return FPosition; }
    std::int64_t Size() const noexcept override { return FSize; }

private:
    const std::uint8_t* FData;
    std::int64_t FSize;
    std::int64_t FPosition = 0;
};
