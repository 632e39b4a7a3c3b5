#include "app/PasswordPrompt.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "tests/support/QtApp.h"

#include <gtest/gtest.h>

namespace {

class Prompt : public testing::Test {
protected:
    void SetUp() override { EnsureApplication(); }

    // Runs the prompt modally; while it runs, act types and presses as a user would.
    int Run(TFPasswordPrompt& prompt, const std::function<void()>& act) {
        QTimer::singleShot(0, &prompt, act);
        return prompt.exec();
    }

    QStringList tried;
    bool right = false;
    TFPasswordPrompt::TPasswordCheck check = [this](const QString& password) {
        tried << password;
        return right;
    };
};

TEST_F(Prompt, ShowsTheUserAndMasksThePassword) {
    TFPasswordPrompt prompt(QStringLiteral("olga"), check);
    EXPECT_EQ(prompt.windowTitle(), QStringLiteral("Пароль заставки \"Ambrelle\""));
    EXPECT_EQ(prompt.LUser->text(), QStringLiteral("Пользователь:"));
    EXPECT_EQ(prompt.LUserName->text(), QStringLiteral("olga"));
    EXPECT_EQ(prompt.LPassword->text(), QStringLiteral("Пароль:"));
    EXPECT_EQ(prompt.EPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(prompt.BOk->text(), QStringLiteral("OK"));
    EXPECT_EQ(prompt.BCancel->text(), QStringLiteral("Отмена"));
    EXPECT_TRUE(prompt.BOk->isDefault());
    EXPECT_TRUE(prompt.windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(Prompt, TheRightPasswordIsAccepted) {
    right = true;
    TFPasswordPrompt prompt(QStringLiteral("olga"), check);
    const int result = Run(prompt, [&] {
        prompt.EPassword->setText(QStringLiteral("s3cret"));
        prompt.BOk->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_TRUE(prompt.Accepted());
    EXPECT_EQ(tried, QStringList{QStringLiteral("s3cret")});
    // Nothing of the password stays in the dialog.
    EXPECT_TRUE(prompt.EPassword->text().isEmpty());
}

TEST_F(Prompt, AWrongPasswordClosesWithoutAccepting) {
    TFPasswordPrompt prompt(QStringLiteral("olga"), check);
    const int result = Run(prompt, [&] {
        prompt.EPassword->setText(QStringLiteral("guess"));
        prompt.BOk->click();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_FALSE(prompt.Accepted());
    EXPECT_EQ(tried, QStringList{QStringLiteral("guess")});
}

TEST_F(Prompt, CancelChecksNothing) {
    right = true;
    TFPasswordPrompt prompt(QStringLiteral("olga"), check);
    const int result = Run(prompt, [&] {
        prompt.EPassword->setText(QStringLiteral("s3cret"));
        prompt.BCancel->click();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_FALSE(prompt.Accepted());
    EXPECT_TRUE(tried.isEmpty());
}

} // namespace
