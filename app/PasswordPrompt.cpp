#include "app/PasswordPrompt.h"

#include "platform/Password.h"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

#include <utility>

namespace {

QWidget* Panel(QWidget* parent) {
    auto* panel = new QWidget(parent);
    panel->setAutoFillBackground(true);
    return panel;
}

} // namespace

TFPasswordPrompt::TFPasswordPrompt(const QString& userName, TPasswordCheck check, QWidget* parent)
    : QDialog(parent), FCheck(std::move(check)) {
    // A fixed dialog in the look of the settings dialog; it must come up above the full-screen show, which
    // stays on top itself.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    setWindowTitle(tr("Пароль заставки \"Ambrelle\""));
    setFixedSize(300, 123);
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    setFont(font);
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);
    setAutoFillBackground(true);

    LUser = new QLabel(tr("Пользователь:"), this);
    LUser->setGeometry(8, 12, 90, 16);
    LUserName = new QLabel(userName, this);
    LUserName->setGeometry(100, 12, 192, 16);
    LPassword = new QLabel(tr("Пароль:"), this);
    LPassword->setGeometry(8, 44, 90, 16);
    EPassword = new QLineEdit(this);
    EPassword->setGeometry(100, 40, 192, 21);
    EPassword->setEchoMode(QLineEdit::Password);
    LPassword->setBuddy(EPassword);

    QWidget* Panel1 = Panel(this);
    Panel1->setGeometry(0, 88, 300, 35);
    BOk = new QPushButton(QStringLiteral("OK"), Panel1);
    BOk->setGeometry(138, 5, 75, 25);
    BOk->setDefault(true);
    BCancel = new QPushButton(tr("Отмена"), Panel1);
    BCancel->setGeometry(218, 5, 75, 25);
    connect(BOk, &QPushButton::clicked, this, [this] { BOkClick(); });
    connect(BCancel, &QPushButton::clicked, this, &QDialog::reject);
    EPassword->setFocus();
}

TFPasswordPrompt::~TFPasswordPrompt() = default;

void TFPasswordPrompt::BOkClick() {
    FAccepted = FCheck && FCheck(EPassword->text());
    EPassword->clear();
    if (FAccepted) {
        accept();
    } else {
        reject();
    }
}

bool VerifyScreenSavePwd(QWidget* form) {
    if (!PasswordCheckAvailable()) {
        return true;
    }
    TFPasswordPrompt prompt(CurrentUserName(), &CheckCurrentUserPassword, form);
    // The show hides the pointer; the prompt needs it.
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    if (QScreen* screen = form != nullptr ? form->screen() : QGuiApplication::primaryScreen()) {
        QRect area = prompt.frameGeometry();
        area.moveCenter(screen->geometry().center());
        prompt.move(area.topLeft());
    }
    prompt.exec();
    QGuiApplication::restoreOverrideCursor();
    return prompt.Accepted();
}
