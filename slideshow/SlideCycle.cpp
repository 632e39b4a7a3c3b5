#include "slideshow/SlideCycle.h"

#include "effects/NSSlideImage.h"
#include "imageio/PictureAhead.h"
#include "platform/Application.h"
#include "platform/ConfigFolder.h"
#include "platform/WindowTimer.h"
#include "slideshow/EffectLists.h"
#include "slideshow/FotoScan.h"
#include "slideshow/ProcessState.h"

#include <QTimer>

TSlideCycle::TSlideCycle(TNSSlideImage* surface, TRules rules, QObject* owner)
    : QObject(owner), FSurface(surface), FRules(std::move(rules)) {
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
    ScanFotoDir();
    FRefused.Reset();
}

int TSlideCycle::NextPosition() const {
    return NFoto < 0 || NFoto >= PictureList.size() - 1 ? 0 : NFoto + 1;
}

// The separator is added even when FotoDir ends with one; the doubled one does no harm.
QString TSlideCycle::PicturePath(int position) const {
    return FotoDir + QLatin1Char(PathDelimiter) + PictureList[position];
}

// ---- The round of one picture
// ----------------------------------------------------------------------------------

void TSlideCycle::ShowTimerTimer() {
    ShowTimer->SetEnabled(false);
    Guarded([this] { ShowNextPicture(); });
}

void TSlideCycle::ShowNextPicture() {
    if (PictureList.isEmpty()) {
        return;
    }
    NFoto = NextPosition();
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
    PictureIO->SetFitBox(SurfaceSize());
    PictureIO->Prepare(PicturePath(NextPosition()));
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
