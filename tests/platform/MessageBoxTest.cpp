#include "platform/MessageBox.h"
#include "tests/support/QtApp.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

// The box's own time runs for a minute; a key or a click must end it long before the test gives up.
TEST(MessageBox, ASelfClosingBoxGoesAtOnceOnAKeyOrAClick) {
    EnsureApplication();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    for (QEvent* input : std::initializer_list<QEvent*>{&key, &click}) {
        bool stuck = false;
        QTimer::singleShot(0, [input] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            QCoreApplication::sendEvent(box->focusWidget() != nullptr ? box->focusWidget() : box, input);
        });
        QTimer rescue;
        rescue.setSingleShot(true);
        QObject::connect(&rescue, &QTimer::timeout, [&stuck] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                stuck = true;
                box->close();
            }
        });
        rescue.start(10000);
        ShowSelfClosingMessage(QStringLiteral("Date-...;  ErrorSTR-boom"), 60000);
        EXPECT_FALSE(stuck) << int(input->type());
    }
}
