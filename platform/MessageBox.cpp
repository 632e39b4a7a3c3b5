#include "platform/MessageBox.h"

#include "platform/Application.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>

namespace {

TErrorBoxMode& Mode() {
    static TErrorBoxMode mode = TErrorBoxMode::Modal;
    return mode;
}

// Closes the box on the first key or button pressed in it, whichever of its controls has the focus.
class TCloseOnInput : public QObject {
public:
    explicit TCloseOnInput(QMessageBox& box) : FBox(box) {
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if ((type == QEvent::KeyPress || type == QEvent::MouseButtonPress) && InBox(watched)) {
            FBox.done(QMessageBox::Ok);
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool InBox(QObject* watched) const {
        if (watched == FBox.windowHandle()) {
            return true;
        }
        const auto* widget = qobject_cast<const QWidget*>(watched);
        return widget != nullptr && (widget == &FBox || FBox.isAncestorOf(widget));
    }

    QMessageBox& FBox;
};

} // namespace

void ShowMessage(const QString& text, QWidget* parent) {
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok, parent);
    box.exec();
}

void SetErrorBoxMode(TErrorBoxMode mode) {
    Mode() = mode;
}

TErrorBoxMode ErrorBoxMode() {
    return Mode();
}

void ShowErrorMessage(const QString& text, QWidget* parent) {
    switch (Mode()) {
    case TErrorBoxMode::Modal:
        ShowMessage(text, parent);
        break;
    case TErrorBoxMode::SelfClosing:
        ShowSelfClosingMessage(text, SelfClosingBoxTime, parent);
        break;
    case TErrorBoxMode::None:
        break;
    }
}

void ShowSelfClosingMessage(const QString& text, int milliseconds, QWidget* parent) {
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok, parent);
    QTimer::singleShot(milliseconds, &box, [&box] { box.done(QMessageBox::Ok); });
    TCloseOnInput closeOnInput(box);
    box.exec();
}
