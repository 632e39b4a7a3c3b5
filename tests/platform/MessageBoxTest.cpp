#include "platform/MessageBox.h"
#include "tests/support/QtApp.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

TEST(MessageBox, ASelfClosingBoxGoesOnAKeyOnAClickAndAfterItsTime) {
    EnsureApplication();
    struct Row {
        const char* what;
        int milliseconds;
        std::function<void(QWidget* box)> input;
    };
    const Row rows[] = {
        {"key", 60000,
         [](QWidget* box) {
             QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
             QCoreApplication::sendEvent(box->focusWidget() != nullptr ? box->focusWidget() : box, &press);
         }},
        {"click", 60000,
         [](QWidget* box) {
             QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), box->mapToGlobal(QPointF(5, 5)),
                               Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
             QCoreApplication::sendEvent(box, &press);
         }},
        {"time", 50, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        bool input = false;
        bool stuck = false;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            input = box != nullptr;
            if (box != nullptr && row.input) {
                row.input(box);
            }
        });
        // A box that stays is closed here, so that the test ends either way.
        QTimer rescue;
        rescue.setSingleShot(true);
        QObject::connect(&rescue, &QTimer::timeout, [&] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                stuck = true;
                box->close();
            }
        });
        rescue.start(10000);
        ShowSelfClosingMessage(QStringLiteral("Date-...;  ErrorSTR-boom"), row.milliseconds);
        EXPECT_TRUE(input);
        EXPECT_FALSE(stuck);
    }
}
