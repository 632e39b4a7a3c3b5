#include "platform/MessageBox.h"

#include "platform/Application.h"

#include <QMessageBox>

void ShowMessage(const QString& text, QWidget* parent) {
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok, parent);
    box.exec();
}
