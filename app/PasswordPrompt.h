#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

// The prompt that asks for the user's password before the full-screen show may end. The typed password is
// masked; OK (Enter) checks it, Cancel (Esc) gives up. Either way the dialog closes, and the result tells
// whether the password was right.
class TFPasswordPrompt : public QDialog {
    Q_OBJECT
public:
    using TPasswordCheck = std::function<bool(const QString& password)>;

    TFPasswordPrompt(const QString& userName, TPasswordCheck check, QWidget* parent = nullptr);
    ~TFPasswordPrompt() override;

    // True once OK was pressed with the right password.
    bool Accepted() const { return FAccepted; }

    QLabel* LUser = nullptr;
    QLabel* LUserName = nullptr;
    QLabel* LPassword = nullptr;
    QLineEdit* EPassword = nullptr;
    QPushButton* BOk = nullptr;
    QPushButton* BCancel = nullptr;

private:
    void BOkClick();

    TPasswordCheck FCheck;
    bool FAccepted = false;
};

// The stand-in for the system's screen-saver password dialog: shows the prompt modally over form and checks
// the current user's password. Where no password can be checked (no PAM), nothing is asked and the result
// is true.
bool VerifyScreenSavePwd(QWidget* form);
