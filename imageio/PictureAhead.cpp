#include "imageio/PictureAhead.h"

#include "imageio/Orientation.h"
#include "platform/Fit.h"
#include "platform/Resample.h"

namespace {

// The size that the show will fit the picture to, when that fit shrinks it and fitting the result again
// gives the same size; otherwise the picture's own size.
QSize ReducedSize(const TBitmap& picture, QSize box) {
    const QSize own(picture.Width(), picture.Height());
    if (box.isEmpty() || picture.Empty()) {
        return own;
    }
    const QSize fit = FittedSize(own.width(), own.height(), box.width(), box.height());
    const bool shrinks = fit.width() <= own.width() && fit.height() <= own.height() && fit != own;
    if (!shrinks || fit.isEmpty() ||
        FittedSize(fit.width(), fit.height(), box.width(), box.height()) != fit) {
        return own;
    }
    return fit;
}

// Shrinks the picture to its fit into the box with the show's own resampling, so that the show finds it
// at the fitted size and its fit copies it unchanged: the picture on screen is the same, but the pixels
// held until then are only the screen's worth. The full-size block is given back.
void ReduceToFit(TBitmap& picture, QSize box, TBitmap& target) {
    const QSize size = ReducedSize(picture, box);
    if (size == QSize(picture.Width(), picture.Height())) {
        return;
    }
    target.ResetFillingOnDemand(size.width(), size.height(), picture.PixelFormat(), clBlack);
    StretchHalftone(picture, target, 0, 0, size.width(), size.height());
    picture.SwapPixels(target);
    target.SetSize(0, 0);
    target.TrimBlock();
}

} // namespace

TPictureAhead::TPictureAhead(QObject* owner) : QObject(owner), FWorker([this] { Work(); }) {}

TPictureAhead::~TPictureAhead() {
    {
        const std::lock_guard lock(FMutex);
        FQuit = true;
        FStopRead = true;
    }
    FWake.notify_one();
    FWorker.join();
}

bool TPictureAhead::Covers(const TJob& job, const QString& path, QSize box) const {
    if (job.Path != path) {
        return false;
    }
    // A full-size read serves any box; a reduced one only its own, as the show fits it once more for
    // any other and would not give the picture that a read for that box gives.
    return job.Box.isEmpty() || box == job.Box;
}

std::uint64_t TPictureAhead::TicketFor(const QString& path, QSize box) {
    if (FDone && !FDone->Stopped && Covers(FDone->Job, path, box)) {
        return FDone->Job.Ticket;
    }
    if (FQueued && Covers(*FQueued, path, box)) {
        return FQueued->Ticket;
    }
    if (FRunning && !FStopRead && Covers(*FRunning, path, box)) {
        return FRunning->Ticket;
    }
    if (FRunning) {
        FStopRead = true;
    }
    FDone.reset();
    FQueued = TJob{path, box, ++FLastTicket};
    FWake.notify_one();
    return FQueued->Ticket;
}

void TPictureAhead::Prepare(const QString& path) {
    const std::lock_guard lock(FMutex);
    TicketFor(path, FFitBox);
}

void TPictureAhead::LoadFromFile(const QString& path) {
    if (!FBitmap) {
        return;
    }
    std::exception_ptr error;
    {
        std::unique_lock lock(FMutex);
        const std::uint64_t ticket = TicketFor(path, FFitBox);
        FFinished.wait(lock, [&] { return FDone && FDone->Job.Ticket == ticket; });
        FAborted = FDone->Aborted;
        FParams = FDone->Params;
        error = FDone->Error;
        FDone.reset();
        // A reader that refused the file before sizing its bitmap left it empty: the caller's stays.
        if (!error && !FDecoded.Empty()) {
            FBitmap->SwapPixels(FDecoded);
        }
    }
    if (error) {
        std::rethrow_exception(error);
    }
}

void TPictureAhead::SetAborted(bool aborted) {
    FAborted = aborted;
    if (!aborted) {
        return;
    }
    const std::lock_guard lock(FMutex);
    FQueued.reset();
    if (FRunning) {
        FStopRead = true;
    }
}

void TPictureAhead::Work() {
    // The loader lives on this thread; only its params go back to the caller, as a copy.
    TPictureIO loader;
    loader.SetAttachedBitmap(&FDecoded);
    loader.SetOnProgress([this, &loader](QObject*, int, TProgressStageIO) {
        if (FStopRead) {
            loader.SetAborted(true);
        }
    });
    std::unique_lock lock(FMutex);
    for (;;) {
        FWake.wait(lock, [this] { return FQuit || FQueued; });
        if (FQuit) {
            return;
        }
        const TJob job = *FQueued;
        FQueued.reset();
        FDone.reset();
        FRunning = job;
        FStopRead = false;
        lock.unlock();
        TResult result = Read(job, loader);
        lock.lock();
        result.Stopped = FStopRead;
        FRunning.reset();
        FDone = std::move(result);
        FFinished.notify_all();
    }
}

TPictureAhead::TResult TPictureAhead::Read(const TJob& job, TPictureIO& loader) {
    TResult result;
    result.Job = job;
    // Emptied, not freed: the next picture reuses the block.
    FDecoded.SetSize(0, 0);
    TIOParams& params = loader.Params();
    params.JpegFitWidth = job.Box.width();
    params.JpegFitHeight = job.Box.height();
    // Not every format reports an orientation; an earlier one must not turn a picture of another format.
    params.ExifOrientation = UprightOrientation;
    try {
        loader.LoadFromFile(job.Path);
        TBitmap scratch;
        TurnUpright(FDecoded, params.ExifOrientation, scratch);
        ReduceToFit(FDecoded, job.Box, scratch);
        // A reader's one-pixel placeholder, or a small picture in a larger block, holds no more.
        FDecoded.TrimBlock();
    } catch (...) {
        result.Error = std::current_exception();
    }
    result.Aborted = loader.Aborted();
    result.Params = params;
    return result;
}
