#include "tests/support/QtApp.h"

#include "platform/Application.h"

#include <QDialog>
#include <QTimer>

namespace {

int closedBoxes = 0;

void CloseWhenOpen(int triesLeft) {
    if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        box->accept();
        ++closedBoxes;
        return;
    }
    if (triesLeft > 0) {
        QTimer::singleShot(10, [triesLeft] { CloseWhenOpen(triesLeft - 1); });
    }
}

} // namespace

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "ambrelle-test";
    static char* argv[] = {name, nullptr};
    static TApplication* application = new TApplication(argc, argv);
    (void)application;
}

void CloseNextModalBox() {
    QTimer::singleShot(10, [] { CloseWhenOpen(500); });
}

int ClosedModalBoxes() {
    return closedBoxes;
}
