#include "platform/Password.h"

#include "platform/Exceptions.h"
#include "platform/ProfileFile.h"

#include <QByteArray>
#include <QRegularExpression>

#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <unistd.h>
#include <vector>

#ifdef AMBRELLE_HAVE_PAM
#include <security/pam_appl.h>
#endif

namespace {

// The registry layer keeps integers in four bytes; a decimal number beyond them is data of the wrong size,
// not of the wrong type.
bool LooksLikeDecimalNumber(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^ *[-+]?[0-9]+$"));
    return number.match(text).hasMatch();
}

#ifdef AMBRELLE_HAVE_PAM

// Overwrites the bytes before they are freed, so the password does not linger in freed memory.
void Wipe(QByteArray& bytes) {
    if (!bytes.isEmpty()) {
        std::memset(bytes.data(), 0, static_cast<std::size_t>(bytes.size()));
    }
    bytes.clear();
}

struct ConversationData {
    const QByteArray* password;
};

// Answers every prompt of the modules with the password typed in our own dialog; informational texts need
// no answer.
int Converse(int count, const struct pam_message** messages, struct pam_response** responses, void* context) {
    if (count <= 0 || count > PAM_MAX_NUM_MSG || messages == nullptr || responses == nullptr) {
        return PAM_CONV_ERR;
    }
    const auto* data = static_cast<const ConversationData*>(context);
    auto* answers =
        static_cast<pam_response*>(std::calloc(static_cast<std::size_t>(count), sizeof(pam_response)));
    if (answers == nullptr) {
        return PAM_BUF_ERR;
    }
    for (int i = 0; i < count; ++i) {
        const int style = messages[i]->msg_style;
        if (style != PAM_PROMPT_ECHO_OFF && style != PAM_PROMPT_ECHO_ON) {
            continue;
        }
        answers[i].resp =
            strndup(data->password->constData(), static_cast<std::size_t>(data->password->size()));
        if (answers[i].resp == nullptr) {
            for (int j = 0; j < i; ++j) {
                if (answers[j].resp != nullptr) {
                    explicit_bzero(answers[j].resp, std::strlen(answers[j].resp));
                    std::free(answers[j].resp);
                }
            }
            std::free(answers);
            return PAM_BUF_ERR;
        }
    }
    *responses = answers;
    return PAM_SUCCESS;
}

// Starts a transaction with our service, or with "other" when ours cannot be started.
pam_handle_t* StartTransaction(const QByteArray& user, const pam_conv* conversation) {
    pam_handle_t* handle = nullptr;
    if (pam_start(PasswordServiceName, user.constData(), conversation, &handle) == PAM_SUCCESS) {
        return handle;
    }
    if (handle != nullptr) {
        pam_end(handle, PAM_ABORT);
        handle = nullptr;
    }
    if (pam_start(PasswordFallbackServiceName, user.constData(), conversation, &handle) == PAM_SUCCESS) {
        return handle;
    }
    if (handle != nullptr) {
        pam_end(handle, PAM_ABORT);
    }
    return nullptr;
}

#endif

} // namespace

bool ScreenSaveUsePassword() {
    const std::optional<QString> text =
        ReadProfileValue(DesktopFileName, DesktopSection, ScreenSaveUsePasswordName);
    if (!text) {
        return false;
    }
    if (const std::optional<int> value = TryStrToInt(*text)) {
        return *value != 0;
    }
    if (LooksLikeDecimalNumber(*text)) {
        throw ERegistryException(
            QStringLiteral("Failed to get data for '%1'").arg(ScreenSaveUsePasswordName));
    }
    throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(ScreenSaveUsePasswordName));
}

QString CurrentUserName() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size <= 0 || size > 1 << 20) {
        size = 16384;
    }
    std::vector<char> buffer(static_cast<std::size_t>(size));
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
        found->pw_name == nullptr) {
        return QString();
    }
    return QString::fromLocal8Bit(found->pw_name);
}

bool PasswordCheckAvailable() {
#ifdef AMBRELLE_HAVE_PAM
    const QByteArray user = CurrentUserName().toLocal8Bit();
    if (user.isEmpty()) {
        return false;
    }
    const QByteArray nothing;
    ConversationData data{&nothing};
    const pam_conv conversation{&Converse, &data};
    pam_handle_t* handle = StartTransaction(user, &conversation);
    if (handle == nullptr) {
        return false;
    }
    pam_end(handle, PAM_SUCCESS);
    return true;
#else
    return false;
#endif
}

bool CheckCurrentUserPassword(const QString& password) {
#ifdef AMBRELLE_HAVE_PAM
    const QByteArray user = CurrentUserName().toLocal8Bit();
    if (user.isEmpty()) {
        return false;
    }
    QByteArray secret = password.toLocal8Bit();
    ConversationData data{&secret};
    const pam_conv conversation{&Converse, &data};
    pam_handle_t* handle = StartTransaction(user, &conversation);
    if (handle == nullptr) {
        Wipe(secret);
        return false;
    }
    int status = pam_authenticate(handle, 0);
    // An expired password still proves who sits at the screen; a locked or unknown account does not.
    if (status == PAM_SUCCESS) {
        const int account = pam_acct_mgmt(handle, 0);
        if (account != PAM_SUCCESS && account != PAM_NEW_AUTHTOK_REQD) {
            status = account;
        }
    }
    pam_end(handle, status);
    Wipe(secret);
    return status == PAM_SUCCESS;
#else
    (void)password;
    return false;
#endif
}
