#pragma once

#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

// Lists the pictures of a folder (ScanPictureTree, FotoScan.h) on a worker thread, so that a slow folder,
// such as one on a network share, never holds up the thread that asked; what the worker finds is handed
// over on that thread, in the order of the list, as it is found.
class TPictureLister {
public:
    struct TEvents {
        std::function<void(QStringList&& pictures)> Pictures;
        std::function<void(const QString& folder, const QString& reason)> Unreadable;
        // After the last pictures of a listing.
        std::function<void()> Finished;
    };

    explicit TPictureLister(TEvents events);
    // Stops the listing; a worker that the system keeps waiting is left to end by itself.
    ~TPictureLister();

    // Starts listing folder, in place of a listing in progress, whose findings are dropped.
    void Start(const QString& folder, bool includeSubfolders);
    void Stop();
    bool Running() const { return FShared != nullptr; }
    // Hands over what has been found, after waiting up to milliseconds for the listing to end.
    void Deliver(int milliseconds = 0);

private:
    struct TShared;

    TEvents FEvents;
    std::shared_ptr<TShared> FShared;
    QTimer FPoll;
};
