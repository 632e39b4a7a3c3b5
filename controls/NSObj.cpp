#include "controls/NSObj.h"

#include "platform/Exceptions.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <array>

namespace {

// The library's cursor set 2001 ... 2031, drawn from the platform's own shapes. 2005 is the hand that
// sliders show over their thumb.
constexpr std::array<Qt::CursorShape, crLastLibraryCursor - crFirstLibraryCursor + 1> LibraryShapes = {
    Qt::ArrowCursor,        // 2001
    Qt::CrossCursor,        // 2002
    Qt::OpenHandCursor,     // 2003
    Qt::ClosedHandCursor,   // 2004
    Qt::PointingHandCursor, // 2005
    Qt::SizeHorCursor,      // 2006
    Qt::SizeVerCursor,      // 2007
    Qt::SizeFDiagCursor,    // 2008
    Qt::SizeBDiagCursor,    // 2009
    Qt::SizeAllCursor,      // 2010
    Qt::SplitHCursor,       // 2011
    Qt::SplitVCursor,       // 2012
    Qt::UpArrowCursor,      // 2013
    Qt::IBeamCursor,        // 2014
    Qt::WaitCursor,         // 2015
    Qt::BusyCursor,         // 2016
    Qt::ForbiddenCursor,    // 2017
    Qt::WhatsThisCursor,    // 2018
    Qt::DragMoveCursor,     // 2019
    Qt::DragCopyCursor,     // 2020
    Qt::DragLinkCursor,     // 2021
    Qt::BlankCursor,        // 2022
    Qt::PointingHandCursor, // 2023
    Qt::OpenHandCursor,     // 2024
    Qt::ClosedHandCursor,   // 2025
    Qt::SizeHorCursor,      // 2026
    Qt::SizeVerCursor,      // 2027
    Qt::CrossCursor,        // 2028
    Qt::SizeAllCursor,      // 2029
    Qt::UpArrowCursor,      // 2030
    Qt::ArrowCursor,        // 2031
};

std::array<QCursor, LibraryShapes.size()>& CursorList() {
    static std::array<QCursor, LibraryShapes.size()> list;
    return list;
}

bool cursorsRegistered = false;

} // namespace

void RegisterLibraryCursors() {
    if (cursorsRegistered) {
        return;
    }
    for (std::size_t i = 0; i < LibraryShapes.size(); ++i) {
        CursorList()[i] = QCursor(LibraryShapes[i]);
    }
    cursorsRegistered = true;
}

QCursor ScreenCursor(TCursor number) {
    if (number < crFirstLibraryCursor || number > crLastLibraryCursor) {
        return QCursor(Qt::ArrowCursor);
    }
    RegisterLibraryCursors();
    return CursorList()[std::size_t(number - crFirstLibraryCursor)];
}

// ---------------------------------------------------------------------------------------------------------

void RaiseAssignError(const QObject* source, const QObject* target) {
    const QString sourceName =
        source ? QString::fromLatin1(source->metaObject()->className()) : QStringLiteral("nil");
    throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2")
                            .arg(sourceName, QString::fromLatin1(target->metaObject()->className())));
}

TNSObject::TNSObject(QObject* owner) : QObject(owner) {}

TNSObject::~TNSObject() = default;

void TNSObject::Assign(const QObject* Source) {
    RaiseAssignError(Source, this);
}

void TNSObject::BeginUpdate() {
    if (FUpdateCount == 0) {
        SetUpdateState(true);
    }
    ++FUpdateCount;
}

void TNSObject::EndUpdate() {
    --FUpdateCount;
    if (FUpdateCount == 0) {
        SetUpdateState(false);
    }
}

void TNSObject::SetUpdateState(bool Updating) {
    if (!Updating) {
        Changed();
    }
}

void TNSObject::Changed() {
    if (FUpdateCount == 0 && FOnChange) {
        FOnChange(this);
    }
}

// ---------------------------------------------------------------------------------------------------------

TNSBevel::TNSBevel(QObject* owner) : TNSObject(owner) {}

void TNSBevel::SetBevelInner(TBevelCut value) {
    if (StoreIfDifferent(FBevelInner, value)) {
        Changed();
    }
}

void TNSBevel::SetBevelOuter(TBevelCut value) {
    if (StoreIfDifferent(FBevelOuter, value)) {
        Changed();
    }
}

void TNSBevel::SetBevelInnerWidth(TBevelWidth value) {
    if (StoreIfDifferent(FBevelInnerWidth, value)) {
        Changed();
    }
}

void TNSBevel::SetBevelOuterWidth(TBevelWidth value) {
    if (StoreIfDifferent(FBevelOuterWidth, value)) {
        Changed();
    }
}

void TNSBevel::SetBorderStyle(TBorderStyle value) {
    if (StoreIfDifferent(FBorderStyle, value)) {
        Changed();
    }
}

void TNSBevel::SetBorderWidth(TBorderWidth value) {
    if (StoreIfDifferent(FBorderWidth, value)) {
        Changed();
    }
}

void TNSBevel::SetBorderSpace(TBorderWidth value) {
    if (StoreIfDifferent(FBorderSpace, value)) {
        Changed();
    }
}

void TNSBevel::SetColor(int Index, TColor Value) {
    if (Index < 0 || Index > 5) {
        Changed();
        return;
    }
    if (StoreIfDifferent(FColors[Index], Value)) {
        Changed();
    }
}

void TNSBevel::Assign(const QObject* Source) {
    if (Source == this) {
        return;
    }
    const auto* source = qobject_cast<const TNSBevel*>(Source);
    if (!source) {
        TNSObject::Assign(Source);
        return;
    }
    struct UpdateBracket {
        TNSBevel* Bevel;
        explicit UpdateBracket(TNSBevel* bevel) : Bevel(bevel) { Bevel->BeginUpdate(); }
        ~UpdateBracket() { Bevel->EndUpdate(); }
    } bracket(this);
    SetBevelInner(source->BevelInner());
    SetBevelOuter(source->BevelOuter());
    SetBevelInnerWidth(source->BevelInnerWidth());
    SetBevelOuterWidth(source->BevelOuterWidth());
    SetBorderStyle(source->BorderStyle());
    SetBorderWidth(source->BorderWidth());
    SetBorderSpace(source->BorderSpace());
    SetBorderColor(source->BorderColor());
    SetBorderSpaceColor(source->BorderSpaceColor());
    SetOuterLightColor(source->OuterLightColor());
    SetOuterShadowColor(source->OuterShadowColor());
    SetInnerLightColor(source->InnerLightColor());
    SetInnerShadowColor(source->InnerShadowColor());
}

int TNSBevel::BevelWidth() const {
    int width = FBorderWidth + FBorderSpace;
    if (FBevelOuter != bvNone) {
        width += FBevelOuterWidth;
    }
    if (FBevelInner != bvNone) {
        width += FBevelInnerWidth;
    }
    if (FBorderStyle != bsNone) {
        width += 1;
    }
    return width;
}

namespace {

void DrawBevelCut(QPainter& canvas, TRect& r, TBevelCut cut, int width, TColor light, TColor shadow) {
    if (cut == bvLowered) {
        Frame3D(canvas, r, shadow, light, width);
    } else if (cut == bvRaised) {
        Frame3D(canvas, r, light, shadow, width);
    }
}

} // namespace

void TNSBevel::Draw(QPainter& Canvas, const TRect& Rect, TRect& Inner, bool DrawBorder) {
    TRect r = Rect;
    if (FBorderStyle == bsSingle) {
        Frame3D(Canvas, r, clWindowFrame, clWindowFrame, 1);
    }
    DrawBevelCut(Canvas, r, FBevelOuter, FBevelOuterWidth, OuterLightColor(), OuterShadowColor());
    if (DrawBorder) {
        Frame3D(Canvas, r, BorderColor(), BorderColor(), FBorderWidth);
    } else {
        r = r.Inflated(-FBorderWidth);
    }
    DrawBevelCut(Canvas, r, FBevelInner, FBevelInnerWidth, InnerLightColor(), InnerShadowColor());
    if (FBorderSpace != 0) {
        Frame3D(Canvas, r, BorderSpaceColor(), BorderSpaceColor(), FBorderSpace);
    }
    Inner = r;
}

void Frame3D(QPainter& canvas, TRect& r, TColor top, TColor bottom, int width) {
    if (width <= 0) {
        return;
    }
    const QColor topColor = ToQColor(top);
    const QColor bottomColor = ToQColor(bottom);
    for (int i = 0; i < width; ++i) {
        if (r.Width() > 0 && r.Height() > 0) {
            canvas.fillRect(QRect(r.Left, r.Top, r.Width() - 1, 1), topColor);
            canvas.fillRect(QRect(r.Left, r.Top, 1, r.Height() - 1), topColor);
            canvas.fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), bottomColor);
            canvas.fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), bottomColor);
        }
        r = r.Inflated(-1);
    }
}

// ---------------------------------------------------------------------------------------------------------

TNSCustomControl::TNSCustomControl(QWidget* parent) : QWidget(parent), FBevel(new TNSBevel(this)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetTabStop(false);
    FBevel->SetOnChange([this](QObject*) { BevelChanged(); });
}

TNSCustomControl::~TNSCustomControl() {
    FBevel->SetOnChange(nullptr);
}

int TNSCustomControl::BevelWidth() const {
    return FBevel ? FBevel->BevelWidth() : 0;
}

TRect TNSCustomControl::InnerRect() const {
    return ClientRect().Inflated(-BevelWidth());
}

TColor TNSCustomControl::Color() const {
    if (!FParentColor) {
        return FColor;
    }
    const QWidget* parent = parentWidget();
    if (!parent) {
        return clWindow;
    }
    if (const auto* control = qobject_cast<const TNSCustomControl*>(parent)) {
        return control->Color();
    }
    const QColor c = parent->palette().color(parent->backgroundRole());
    return RGBColor(std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue()));
}

void TNSCustomControl::SetColor(TColor value) {
    if (!FParentColor && FColor == value) {
        return;
    }
    FColor = value;
    FParentColor = false;
    update();
}

void TNSCustomControl::SetParentColor(bool value) {
    if (FParentColor == value) {
        return;
    }
    FParentColor = value;
    update();
}

void TNSCustomControl::SetCursor(TCursor value) {
    FCursor = value;
    ShowCursor(value);
}

void TNSCustomControl::ShowCursor(TCursor number) {
    if (number == crDefault) {
        unsetCursor();
    } else {
        setCursor(ScreenCursor(number));
    }
}

void TNSCustomControl::SetTabStop(bool value) {
    FTabStop = value;
    setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
}

void TNSCustomControl::Loaded() {
    FLoading = false;
}

void TNSCustomControl::BevelChanged() {
    update();
}

void TNSCustomControl::Paint() {
    TRect inner;
    FBevel->Draw(*FCanvas, ClientRect(), inner, true);
    FCanvas->fillRect(inner.ToQRect(), ToQColor(Color()));
}

void TNSCustomControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    FCanvas = &painter;
    struct CanvasReset {
        QPainter*& Canvas;
        ~CanvasReset() { Canvas = nullptr; }
    } reset{FCanvas};
    Paint();
}

void TNSCustomControl::MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y) {
    if (FOnMouseDown) {
        FOnMouseDown(this, Button, Shift, X, Y);
    }
}

void TNSCustomControl::MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, int, int) {}

void TNSCustomControl::MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int, int) {}

void TNSCustomControl::KeyDown(int& Key, Qt::KeyboardModifiers Shift) {
    if (FOnKeyDown) {
        FOnKeyDown(this, Key, Shift);
    }
}

void TNSCustomControl::KeyUp(int& Key, Qt::KeyboardModifiers Shift) {
    if (FOnKeyUp) {
        FOnKeyUp(this, Key, Shift);
    }
}

void TNSCustomControl::KeyPress(QChar& Key) {
    if (FOnKeyPress) {
        FOnKeyPress(this, Key);
    }
}

bool TNSCustomControl::WantsKey(int) const {
    return false;
}

void TNSCustomControl::DoEnter() {
    if (FOnEnter) {
        FOnEnter(this);
    }
}

void TNSCustomControl::DoExit() {
    if (FOnExit) {
        FOnExit(this);
    }
}

void TNSCustomControl::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    MouseDown(event->button(), event->modifiers(), p.x(), p.y());
}

void TNSCustomControl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    MouseMove(event->buttons(), event->modifiers(), p.x(), p.y());
}

void TNSCustomControl::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    MouseUp(event->button(), event->modifiers(), p.x(), p.y());
}

void TNSCustomControl::keyPressEvent(QKeyEvent* event) {
    int key = event->key();
    const bool wanted = WantsKey(key);
    KeyDown(key, event->modifiers());
    if (key != 0 && !event->text().isEmpty()) {
        for (QChar c : event->text()) {
            KeyPress(c);
        }
    }
    event->setAccepted(wanted || key == 0);
}

void TNSCustomControl::keyReleaseEvent(QKeyEvent* event) {
    int key = event->key();
    const bool wanted = WantsKey(key);
    KeyUp(key, event->modifiers());
    event->setAccepted(wanted || key == 0);
}

void TNSCustomControl::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    DoEnter();
}

void TNSCustomControl::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    DoExit();
}

void TNSCustomControl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::PaletteChange) {
        if (FParentColor) {
            update();
        }
    }
    QWidget::changeEvent(event);
}
