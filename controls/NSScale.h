#pragma once

#include "controls/NSObj.h"
#include "platform/Color.h"
#include "platform/WindowTimer.h"

#include <QObject>

class QPainter;

enum TNSScaleStyle { stColor, stLowered, stRaised };
enum TNSScaleOrigin { soInner, soOuter };

// A row of tick marks with an optional line along their roots. Not a control: the owner hands it a canvas
// (SetCanvas) and a rectangle, and draws it beside whatever it belongs to.
class TNSCustomScale : public QObject {
    Q_OBJECT
public:
    explicit TNSCustomScale(QObject* owner = nullptr);

    // Copies the values of another scale. This base refuses every source with EConvertError.
    virtual void Assign(const QObject* Source);

    // The owner's change notification, called by DoChange.
    const TNotifyEvent& OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

    QPainter* Canvas() const { return FCanvas; }
    void SetCanvas(QPainter* canvas) { FCanvas = canvas; }

protected:
    virtual void Changed();
    virtual void DoChange();

private:
    TNotifyEvent FOnChange;
    QPainter* FCanvas = nullptr;
};

class TNSScale : public TNSCustomScale {
    Q_OBJECT
public:
    explicit TNSScale(QObject* owner = nullptr);

    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TNSScaleStyle Style() const { return FStyle; }
    void SetStyle(TNSScaleStyle value);
    // At least 2.
    int TickCount() const { return FTickCount; }
    void SetTickCount(int value);
    // Every n-th tick, counted from the first, is long; at least 1.
    int EnlargeEvery() const { return FEnlargeEvery; }
    void SetEnlargeEvery(int value);
    // Length of a long tick; short ticks are half of it. At least 1.
    int Size() const { return FSize; }
    void SetSize(int value);
    TNSScaleOrigin Origin() const { return FOrigin; }
    void SetOrigin(TNSScaleOrigin value);
    bool Connect() const { return FConnect; }
    void SetConnect(bool value);

    // Copies the eight values as they are, with one notification.
    void Assign(const QObject* Source) override;

    // Pixels across the scale's axis that the owner reserves for it.
    int Width() const;
    // Draws into R on Canvas(); Flip is true for a scale above or left of what it belongs to. Throws
    // ENSScaleError without a canvas.
    void Draw(const TRect& R, bool Flip);

private:
    void DrawStyledLine(int x1, int y1, int x2, int y2);

    bool FVisible = true;
    TColor FColor = clBlack;
    TNSScaleStyle FStyle = stColor;
    int FTickCount = 11;
    int FEnlargeEvery = 5;
    int FSize = 7;
    TNSScaleOrigin FOrigin = soInner;
    bool FConnect = false;
};
