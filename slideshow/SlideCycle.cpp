#include "slideshow/SlideCycle.h"

#include "effects/NSSlideImage.h"
#include "imageio/PictureAhead.h"
#include "platform/Application.h"
#include "platform/ConfigFolder.h"
#include "platform/WindowTimer.h"
#include "slideshow/EffectLists.h"
#include "slideshow/FotoScan.h"
#include "slideshow/ProcessState.h"

#include "platform/Random.h"

#include <QDir>
#include <QTimer>

namespace {

// How long ListPictures waits for a listing before the rest of it goes on in the background: long enough
// for a large folder on a local disk.
constexpr int ListingMoment = 500;

} // namespace

TSlideCycle::TSlideCycle(TNSSlideImage* surface, TRules rules, QObject* owner)
    : QObject(owner), FSurface(surface), FRules(std::move(rules)),
      FLister({.Pictures =
                   [this](QStringList&& pictures) {
                       PictureList.append(std::move(pictures));
                       ResumeWhenFound();
                   },
               .Unreadable = [this](const QString& folder,
                                    const QString& reason) { ReportUnreadable(folder, reason); },
               .Finished =
                   [this] {
                       FListing = false;
                       PictureList.squeeze();
                       ResumeWhenFound();
                       if (FRules.Listed) {
                           FRules.Listed();
                       }
                   }}),
      FRelister({.Pictures = [this](QStringList&& pictures) { FFresh.append(std::move(pictures)); },
                 .Unreadable = [this](const QString& folder,
                                      const QString& reason) { ReportUnreadable(folder, reason); },
                 .Finished = [this] { FFreshComplete = true; }}) {
    ShowTimer = new TTimer(this);
    ShowTimer->setObjectName(QStringLiteral("ShowTimer"));
    ShowTimer->SetEnabled(false);
    ShowTimer->SetInterval(1000);
    ShowTimer->SetOnTimer([this](QObject*) { ShowTimerTimer(); });

    HideTimer = new TTimer(this);
    HideTimer->setObjectName(QStringLiteral("HideTimer"));
    HideTimer->SetEnabled(false);
    HideTimer->SetOnTimer([this](QObject*) { HideTimerTimer(); });

    PictureIO = new TPictureAhead(this);
    PictureIO->setObjectName(QStringLiteral("PictureIO"));
    PictureIO->SetAttachedBitmap(&FSurface->Picture());
    FSurface->SetOnEndProcess([this](QObject*) { NSSlideImageEndProcess(); });
}

// ---- The pictures and which comes next
// -------------------------------------------------------------------------

void TSlideCycle::ListPictures() {
    PictureList.clear();
    FRefused.Reset();
    FRelister.Stop();
    FFresh.clear();
    FWaiting = false;
    if (FotoDir.isEmpty() || !QDir::setCurrent(PictureFolder())) {
        FLister.Stop();
        FListing = false;
        if (FRules.Listed) {
            FRules.Listed();
        }
        return;
    }
    FListing = true;
    FLister.Start(PictureFolder(), IncludeSubfolders);
    FLister.Deliver(ListingMoment);
}

TNextPicture TSlideCycle::NextPicture() const {
    if (Shuffle) {
        return NextInShuffle(ShuffleSeed, ShuffleLast, PictureList, !FListing);
    }
    return NextInNameOrder(NFoto, PictureList.size(), !FListing);
}

TNextPicture TSlideCycle::FirstOfNextPass() const {
    if (Shuffle) {
        return FirstOfNextShuffle(ShuffleSeed, ShuffleLast, PictureList);
    }
    return {PictureList.isEmpty() ? -1 : 0, true, 0};
}

void TSlideCycle::TakePosition(const TNextPicture& next) {
    NFoto = next.Index;
    if (Shuffle) {
        ShuffleSeed = next.Seed;
        ShuffleLast = PictureList[NFoto];
    }
}

bool TSlideCycle::LastOfPass() const {
    return !FListing && NextPicture().NewPass;
}

bool TSlideCycle::TakeFreshList() {
    if (!FFreshComplete || FFresh.isEmpty()) {
        return false;
    }
    PictureList = std::exchange(FFresh, {});
    PictureList.squeeze();
    FFreshComplete = false;
    FRefused.Reset();
    return true;
}

// A second listing while the show goes on; it takes over only at the start of a pass, and only once
// complete, so that a pass never mixes two lists.
void TSlideCycle::ListAgain() {
    if (FListing || FRelister.Running() || FFreshComplete || FotoDir.isEmpty()) {
        return;
    }
    FFresh.clear();
    FFreshComplete = false;
    FRelister.Start(PictureFolder(), IncludeSubfolders);
}

void TSlideCycle::ResumeWhenFound() {
    if (!FWaiting || NextPicture().Index < 0) {
        return;
    }
    FWaiting = false;
    QTimer::singleShot(0, this, [this] { RunGuarded(this, [this] { ShowTimerTimer(); }); });
}

void TSlideCycle::ReportUnreadable(const QString& folder, const QString& reason) {
    const QString path = PictureFolder() + QLatin1Char(PathDelimiter) + folder;
    if (FReportedFolders.contains(path)) {
        return;
    }
    FReportedFolders.insert(path);
    if (FRules.FolderError) {
        FRules.FolderError(QStringLiteral("Cannot read folder \"%1\". %2").arg(path, reason));
    }
}

// The separator is added even when FotoDir ends with one; the doubled one does no harm.
QString TSlideCycle::PicturePath(int position) const {
    return PictureFolder() + QLatin1Char(PathDelimiter) + PictureList[position];
}

// ---- The round of one picture
// ----------------------------------------------------------------------------------

void TSlideCycle::ShowTimerTimer() {
    ShowTimer->SetEnabled(false);
    Guarded([this] { ShowNextPicture(); });
}

void TSlideCycle::ShowNextPicture() {
    if (PictureList.isEmpty() && !FListing) {
        return;
    }
    if (Shuffle && ShuffleSeed == 0) {
        TRandom clock;
        clock.Randomize();
        ShuffleSeed = clock.Seed() != 0 ? clock.Seed() : 1;
    }
    TNextPicture next = NextPicture();
    if (next.NewPass && TakeFreshList()) {
        next = FirstOfNextPass();
    }
    if (next.Index < 0) {
        FWaiting = true;
        return;
    }
    TakePosition(next);
    if (LastOfPass()) {
        ListAgain();
    }
    FRefused.Forget();
    PictureIO->SetFitBox(SurfaceSize());
    PictureIO->LoadFromFile(PicturePath(NFoto));
    // A picture of which nothing can be shown leaves the working bitmap empty.
    FRefused.Note(FSurface->Picture().Empty());
    NShow = ChooseEffect(ShowEffects);
    StartEffect(NShow, false);
}

void TSlideCycle::PrepareNextPicture() {
    if (PictureList.isEmpty()) {
        return;
    }
    const TNextPicture next = NextPicture();
    if (next.Index >= 0) {
        PictureIO->SetFitBox(SurfaceSize());
        PictureIO->Prepare(PicturePath(next.Index));
    }
}

void TSlideCycle::HideTimerTimer() {
    HideTimer->SetEnabled(false);
    Guarded([this] {
        NHide = ChooseEffect(HideEffects);
        StartEffect(NHide, true);
    });
}

void TSlideCycle::StartEffect(int number, bool hide) {
    FSurface->SetNEffect(number);
    FSurface->SetHideMode(hide);
    FSurface->Execute();
}

void TSlideCycle::NSSlideImageEndProcess() {
    if (!FSurface->HideMode()) {
        // The display time is the next picture's time to be read.
        Guarded([this] { PrepareNextPicture(); });
        HideTimer->SetEnabled(true);
        return;
    }
    if (FRefused.Last()) {
        AfterRefusedPicture();
        return;
    }
    ShowTimerTimer();
}

// Refused pictures must not chain inside one end report: the next one starts from the message loop, and a
// whole pass that showed nothing ends the stepping.
void TSlideCycle::AfterRefusedPicture() {
    FRefused.Forget();
    if (FRefused.WholePass(PictureList.size())) {
        if (FRules.RetryAfterWholePass) {
            ShowTimer->SetEnabled(true);
        }
        return;
    }
    QTimer::singleShot(0, this, [this] { RunGuarded(this, [this] { ShowTimerTimer(); }); });
}

QSize TSlideCycle::SurfaceSize() const {
    return QSize(FSurface->ClientWidth(), FSurface->ClientHeight());
}

void TSlideCycle::Guarded(const std::function<void()>& step) {
    if (FRules.Guard) {
        FRules.Guard(step);
    } else {
        step();
    }
}
