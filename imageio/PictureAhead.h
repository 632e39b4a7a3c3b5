#pragma once

#include "imageio/PictureIO.h"
#include "platform/Bitmap.h"

#include <QObject>
#include <QSize>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

// Reads pictures on a worker thread of its own, so that a slide show can decode the next picture while
// the current one is on screen (Prepare) and take it over without waiting when its turn comes
// (LoadFromFile).
//
// The worker reads through a TPictureIO of its own into a bitmap of its own, with JpegFitWidth and
// JpegFitHeight set to FitBox, so that a JPEG is read at the largest reduction that still covers its fit,
// turns the picture upright from its Exif orientation and, where the show's fit into FitBox would shrink
// it, shrinks it to that fit the same way: the pictures held are screen-sized whatever their format, and
// the show's fit finds nothing more to do. LoadFromFile hands the result over whole: the attached bitmap
// and the worker's exchange pixel blocks, so that the blocks go round between the two instead of being
// allocated and filled afresh for every picture.
//
// For the caller, LoadFromFile behaves as TPictureIO::LoadFromFile on the attached bitmap: a file that the
// reader refuses before sizing the bitmap sets Aborted and leaves the bitmap as it was; one refused later
// hands over what was read; the exception of a read (a file that cannot be opened) comes out of
// LoadFromFile at that picture's turn, not when the picture was read ahead. Params describe the picture
// taken last. Everything but the worker runs on the thread that created the object.
class TPictureAhead : public QObject {
    Q_OBJECT
public:
    explicit TPictureAhead(QObject* owner = nullptr);
    // Stops a read in progress and ends the worker.
    ~TPictureAhead() override;

    TBitmap* AttachedBitmap() const { return FBitmap; }
    // The caller keeps ownership; the bitmap must outlive every load into it.
    void SetAttachedBitmap(TBitmap* bitmap) { FBitmap = bitmap; }

    // The size in device pixels that the pictures are fitted into; empty (the default) reads full size.
    QSize FitBox() const { return FFitBox; }
    void SetFitBox(QSize box) { FFitBox = box; }

    // Starts reading path for FitBox on the worker, unless that read is under way or done already. A read
    // of another picture still under way is stopped, and one done but not taken is dropped.
    void Prepare(const QString& path);
    // Gives the attached bitmap the picture of path (nothing happens without a bitmap): the one read ahead
    // for it when that read was for FitBox (or full size), otherwise read now. Waits for the
    // worker in either case.
    void LoadFromFile(const QString& path);

    bool Aborted() const { return FAborted; }
    // True asks a read in progress to stop at its next row, as TPictureIO's flag does; the picture's
    // next LoadFromFile reads it afresh.
    void SetAborted(bool aborted);
    const TIOParams& Params() const { return FParams; }

private:
    struct TJob {
        QString Path;
        QSize Box;
        std::uint64_t Ticket = 0;
    };
    struct TResult {
        TJob Job;
        bool Aborted = false;
        bool Stopped = false;
        TIOParams Params;
        std::exception_ptr Error;
    };

    bool Covers(const TJob& job, const QString& path, QSize box) const;
    // The ticket of a read that will give path for box, queueing one when there is none. Under FMutex.
    std::uint64_t TicketFor(const QString& path, QSize box);
    void Work();
    TResult Read(const TJob& job, TPictureIO& loader);

    TBitmap* FBitmap = nullptr;
    QSize FFitBox;
    bool FAborted = false;
    TIOParams FParams;

    std::mutex FMutex;
    std::condition_variable FWake;     // a job is queued, or the worker is to end
    std::condition_variable FFinished; // a result is there
    std::optional<TJob> FQueued;
    std::optional<TJob> FRunning;
    std::optional<TResult> FDone; // not yet taken; its picture is in FDecoded
    std::uint64_t FLastTicket = 0;
    bool FQuit = false;
    std::atomic<bool> FStopRead = false;
    // The worker's while it reads; the caller's once the result is done, until the worker takes a job.
    TBitmap FDecoded;
    std::thread FWorker;
};
