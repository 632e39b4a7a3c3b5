#include "slideshow/PictureLister.h"

#include "slideshow/FotoScan.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

// How often the findings are collected while a listing runs.
constexpr int PollMilliseconds = 25;
// How long a listing that is being stopped may take to notice before it is left to itself.
constexpr auto StopWait = std::chrono::milliseconds(200);

} // namespace

// What the worker and the lister share; the worker keeps it alive as long as it runs.
struct TPictureLister::TShared {
    std::mutex Mutex;
    std::condition_variable Ended;
    std::vector<QStringList> Pictures;
    std::vector<std::pair<QString, QString>> Unreadable;
    bool Done = false;
    std::atomic<bool> Stop = false;
};

TPictureLister::TPictureLister(TEvents events) : FEvents(std::move(events)) {
    FPoll.setInterval(PollMilliseconds);
    QObject::connect(&FPoll, &QTimer::timeout, [this] { Deliver(); });
}

TPictureLister::~TPictureLister() {
    Stop();
}

void TPictureLister::Start(const QString& folder, bool includeSubfolders) {
    Stop();
    FShared = std::make_shared<TShared>();
    std::thread([shared = FShared, folder, includeSubfolders] {
        TScanSink sink;
        sink.Pictures = [&](QStringList&& pictures) {
            const std::lock_guard lock(shared->Mutex);
            shared->Pictures.push_back(std::move(pictures));
        };
        sink.Unreadable = [&](const QString& where, const QString& reason) {
            const std::lock_guard lock(shared->Mutex);
            shared->Unreadable.emplace_back(where, reason);
        };
        sink.Stopped = [&] { return shared->Stop.load(); };
        ScanPictureTree(folder, includeSubfolders, sink);
        const std::lock_guard lock(shared->Mutex);
        shared->Done = true;
        shared->Ended.notify_all();
    }).detach();
    FPoll.start();
}

void TPictureLister::Stop() {
    FPoll.stop();
    if (!FShared) {
        return;
    }
    const std::shared_ptr<TShared> shared = std::exchange(FShared, nullptr);
    shared->Stop = true;
    std::unique_lock lock(shared->Mutex);
    shared->Ended.wait_for(lock, StopWait, [&] { return shared->Done; });
}

void TPictureLister::Deliver(int milliseconds) {
    const std::shared_ptr<TShared> shared = FShared;
    if (!shared) {
        return;
    }
    std::vector<QStringList> pictures;
    std::vector<std::pair<QString, QString>> unreadable;
    bool done = false;
    {
        std::unique_lock lock(shared->Mutex);
        shared->Ended.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return shared->Done; });
        pictures.swap(shared->Pictures);
        unreadable.swap(shared->Unreadable);
        done = shared->Done;
    }
    // An event may start another listing; what is left of this one then goes nowhere.
    for (auto& [folder, reason] : unreadable) {
        if (FShared != shared) {
            return;
        }
        if (FEvents.Unreadable) {
            FEvents.Unreadable(folder, reason);
        }
    }
    for (QStringList& batch : pictures) {
        if (FShared != shared) {
            return;
        }
        if (FEvents.Pictures) {
            FEvents.Pictures(std::move(batch));
        }
    }
    if (done && FShared == shared) {
        FPoll.stop();
        FShared.reset();
        if (FEvents.Finished) {
            FEvents.Finished();
        }
    }
}
