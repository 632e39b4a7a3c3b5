#pragma once

#include "effects/EffectCatalogue.h"
#include "effects/NSHTimer.h"
#include "platform/Bitmap.h"
#include "platform/Color.h"
#include "platform/WindowTimer.h"

#include <QImage>
#include <QRect>
#include <QWidget>

// A control that shows one picture at a time and brings it onto the screen, or wipes it off again to the
// background colour, line by line in one of the transition effects of the catalogue.
//
// It keeps three bitmaps: Picture as loaded; the source, holding the picture fitted and centred on
// BackColor margins (or, for a hide, nothing but BackColor); and the screen buffer, holding exactly what the
// window shows. Each step of an effect copies a few one-pixel lines from the source into the buffer at the
// same place and repaints just those; painting only ever copies from the buffer. All sizes are in device
// pixels, so on a high-density screen the picture is fitted to the physical resolution.
class TNSSlideImage : public QWidget {
    Q_OBJECT
public:
    explicit TNSSlideImage(QWidget* parent = nullptr);
    ~TNSSlideImage() override;

    // The effect that the next Execute runs. Numbers outside 0 ... 21 put the whole picture up (or clear
    // it) at once.
    int NEffect() const { return FNEffect; }
    void SetNEffect(int number) { FNEffect = number; }
    // Milliseconds between two steps of an effect, taken at the next Execute; values below 1 count as 1.
    int TimerDelay() const { return FTimerDelay; }
    void SetTimerDelay(int milliseconds) { FTimerDelay = milliseconds; }
    // The margins around the fitted picture and everything a hide leaves behind.
    TColor BackColor() const { return FBackColor; }
    void SetBackColor(TColor color);
    // Empty Picture as soon as it has been prepared for a show.
    bool DelOriginal() const { return FDelOriginal; }
    void SetDelOriginal(bool remove) { FDelOriginal = remove; }
    // False for a show, true for a hide; Execute sets it when it finds Picture empty.
    bool HideMode() const { return FHideMode; }
    void SetHideMode(bool hide) { FHideMode = hide; }
    // The colour of the window where the screen buffer does not reach (right and bottom margins).
    TColor Color() const { return FColor; }
    void SetColor(TColor color);

    // The working bitmap that the image loader fills: 24 bits, or 1 bit for two-colour pictures.
    TBitmap& Picture() { return FPicture; }

    const TNotifyEvent& OnEndProcess() const { return FOnEndProcess; }
    void SetOnEndProcess(TNotifyEvent handler) { FOnEndProcess = std::move(handler); }
    const TNotifyEvent& OnError() const { return FOnError; }
    void SetOnError(TNotifyEvent handler) { FOnError = std::move(handler); }

    // Starts effect NEffect in the mode HideMode. Returns once the effect has started; where it draws at
    // once (and for a show without a picture) OnEndProcess has fired before it returns. May be called again
    // from inside OnEndProcess. Throws when the step timer cannot start.
    void Execute();
    // Ends the running effect, frees the source pixels and fires OnEndProcess.
    void StopEffect();

    // Copies that rectangle of the source into the screen buffer at the same place; the part outside
    // either bitmap is not copied.
    void CopyToBuffer(int x, int y, int width, int height);
    // Invalidates that rectangle (right and bottom exclusive, device pixels) without erasing.
    void RepaintRect(int left, int top, int right, int bottom);

    // One step of the running effect, as a tick of the step timer runs it. Tests step effects with it.
    void Step();
    bool Running() const { return FRunning; }
    int StepIndex() const { return FStepIndex; }
    const TEffectPlan& Plan() const { return FPlan; }
    const TBitmap& Source() const { return FSource; }
    const TBitmap& Buffer() const { return FBuffer; }
    TNSHiTimer& StepTimer() { return FStepTimer; }
    int FitWidth() const { return FFitWidth; }
    int FitHeight() const { return FFitHeight; }
    int PictureLeft() const { return FLeft; }
    int PictureTop() const { return FTop; }
    // The client size in device pixels, CW and CH of the effects.
    int ClientWidth() const;
    int ClientHeight() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PrepareSource();
    void StartEffect();
    void DrawAtOnce();
    void UpdateNow();
    void FillStrip(const QRect& deviceRect);
    QRect LogicalRect(const QRect& device) const;

    int FNEffect = 0;
    int FTimerDelay = 1;
    TColor FBackColor = clBtnFace;
    TColor FColor = clBtnFace;
    bool FDelOriginal = true;
    bool FHideMode = false;
    TNotifyEvent FOnEndProcess;
    TNotifyEvent FOnError;

    TBitmap FPicture;
    TBitmap FSource;
    TBitmap FBuffer;
    // A view of FBuffer's pixels for painting, rebuilt when its size or format changes.
    QImage FBufferImage;
    // Narrow rectangles go through this strip in the window's own pixel format: drawing a one-pixel column
    // straight from 24-bit rows costs the painter a conversion call per row, many times the copy itself.
    QImage FStrip;
    bool FBufferImageStale = true;

    TNSHiTimer FStepTimer;
    TEffectPlan FPlan;
    bool FRunning = false;
    int FStepIndex = 0;
    QRect FUpdateRect;

    int FFitWidth = 100;
    int FFitHeight = 100;
    int FLeft = 0;
    int FTop = 0;
    int FSavedLeft = 0;
    int FSavedTop = 0;
    int FSavedWidth = 0;
    int FSavedHeight = 0;
};
