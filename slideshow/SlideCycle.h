#pragma once

#include "slideshow/PictureLister.h"
#include "slideshow/PictureOrder.h"
#include "slideshow/RefusedPictures.h"

#include <QObject>
#include <QSet>
#include <QSize>
#include <QString>

#include <functional>

class TNSSlideImage;
class TPictureAhead;
class TTimer;

// The slide cycle that the show window and the settings dialog's preview both run: which picture comes
// next, the pictures passed over because nothing of them could be shown, reading the next picture ahead,
// the choice of the effects and the pacing by ShowTimer and HideTimer.
//
// One round: ShowTimer fires, the next picture is loaded and brought up by a show effect; at the end of
// the show HideTimer holds it (while the picture after it is read ahead); then a hide effect wipes it, and
// at the end of the hide the next picture follows at once. The pictures are PictureList in FotoDir, NFoto
// the one shown last, taken in name order or, with Shuffle, in random passes (PictureOrder.h).
//
// The list is made on a worker thread (PictureLister.h): the cycle waits a moment for it and otherwise
// starts with the pictures found so far. When the last picture of a pass comes up, the folder is listed
// again, and that list takes over at the start of the next pass, so pictures added meanwhile join it.
//
// The hosts keep what differs between them: the surface, given here; the input; how a failure is
// reported (the show's error box, the preview's silence) and when the cycle stops, given as rules.
class TSlideCycle : public QObject {
    Q_OBJECT
public:
    // Runs one step of the cycle. Without one, a failure leaves the step and goes on to the caller.
    using TStepGuard = std::function<void(const std::function<void()>& step)>;

    struct TRules {
        TStepGuard Guard;
        // After a whole pass over the list in which no picture could be shown: true starts ShowTimer, so
        // the cycle tries again a second later; false stops it until ShowTimer is started again.
        bool RetryAfterWholePass = false;
        // After ListPictures, once the whole folder has been listed; PictureList may then be empty.
        std::function<void()> Listed = nullptr;
        // A folder below FotoDir that could not be listed, reported once per folder: the error's text.
        std::function<void(const QString& message)> FolderError = nullptr;
    };

    // The cycle shows its pictures on surface, which must outlive it, and takes over its end report.
    TSlideCycle(TNSSlideImage* surface, TRules rules, QObject* owner);

    // Lists the pictures of FotoDir afresh, in place of the old list, and forgets what was refused; with
    // subfolders when IncludeSubfolders is set. Makes FotoDir the current directory. Waits a moment for
    // the listing; a longer one goes on in the background, its pictures joining the list as they are
    // found, and the Listed rule follows at its end.
    void ListPictures();
    // True while ListPictures's listing goes on.
    bool Listing() const { return FListing; }

    // ShowTimer fired: loads the next picture and starts its show effect.
    void ShowTimerTimer();
    // HideTimer fired: starts the hide effect of the picture on show.
    void HideTimerTimer();
    // The surface ended an effect: after a show the hold begins, after a hide the next picture follows.
    void NSSlideImageEndProcess();

    // Disabled at first; ShowTimer's interval is 1000 ms, HideTimer's (the hold) is the host's to set.
    TTimer* ShowTimer = nullptr;
    TTimer* HideTimer = nullptr;
    // The picture loader: reads the next picture ahead on a worker thread while one is on screen.
    TPictureAhead* PictureIO = nullptr;

    // The numbers of the show and hide effects drawn last.
    int NShow = 0;
    int NHide = 0;

private:
    // ---- The pictures and which comes next
    // The picture after NFoto in the order of Shuffle; nothing known yet while the list is being made.
    TNextPicture NextPicture() const;
    TNextPicture FirstOfNextPass() const;
    void TakePosition(const TNextPicture& next);
    bool LastOfPass() const;
    // A fresh list of a second listing, complete and not empty, in place of PictureList.
    bool TakeFreshList();
    void ListAgain();
    void ResumeWhenFound();
    void ReportUnreadable(const QString& folder, const QString& reason);
    QString PicturePath(int position) const;

    void ShowNextPicture();
    // Starts reading the picture after NFoto, for the surface's present size.
    void PrepareNextPicture();
    void StartEffect(int number, bool hide);
    void AfterRefusedPicture();
    QSize SurfaceSize() const;
    void Guarded(const std::function<void()>& step);

    TNSSlideImage* FSurface;
    TRules FRules;
    TRefusedPictures FRefused;
    // ListPictures's listing, whose pictures go straight into PictureList; and the listing again for the
    // next pass, into FFresh.
    TPictureLister FLister;
    bool FListing = false;
    TPictureLister FRelister;
    QStringList FFresh;
    bool FFreshComplete = false;
    // A picture was due while the list did not hold it yet.
    bool FWaiting = false;
    QSet<QString> FReportedFolders;
};
