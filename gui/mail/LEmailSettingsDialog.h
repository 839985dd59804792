#pragma once

#include "mail/LEmailContext.h"
#include "mail/LEmailSettingsRules.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

// "Email Settings": how mail is sent (sendmail, direct delivery or an SMTP server with its
// host, login and options) and the reply address. The controls that do not apply to the
// chosen method are greyed as the user changes it. OK checks and stores; a refusal is shown
// and the dialog stays open on the field concerned.
class LEmailSettingsDialog : public QDialog {
    Q_OBJECT

public:
    LEmailSettingsDialog(const LEmailContext& context, QWidget* parent = nullptr);
    ~LEmailSettingsDialog() override;

    QRadioButton& MethodButton(LEmailSettingsRules::eSendMethod method) const;
    QLineEdit& HostEdit() const { return *host_; }
    QCheckBox& AuthenticationBox() const { return *authentication_; }
    QLineEdit& UserNameEdit() const { return *userName_; }
    QLineEdit& PasswordEdit() const { return *password_; }
    QCheckBox& SecureBox() const { return *secure_; }
    QCheckBox& DownSendBox() const { return *downSend_; }
    QLineEdit& ReplyEdit() const { return *reply_; }

    // The form as the controls hold it now.
    LEmailSettingsRules::Form CurrentForm() const;

    void accept() override;

private:
    void UpdateEnabling();
    QWidget* FieldWidget(int32_t field) const;

    LEmailContext context_;
    QRadioButton* methods_[3] = {};
    QLabel* hostLabel_ = nullptr;
    QLineEdit* host_ = nullptr;
    QCheckBox* authentication_ = nullptr;
    QLabel* userNameLabel_ = nullptr;
    QLineEdit* userName_ = nullptr;
    QLabel* passwordLabel_ = nullptr;
    QLineEdit* password_ = nullptr;
    QCheckBox* secure_ = nullptr;
    QCheckBox* downSend_ = nullptr;
    QLineEdit* reply_ = nullptr;
};

// The settings dialog over `parent`; true when the user confirmed it (everything stored).
bool LEmailSendSettingsDialog(QWidget* parent, const LEmailContext& context);

// Before mail is sent: true at once when the settings were confirmed once ("SetViewed");
// otherwise the settings dialog, and true only when the user confirms it.
bool LEmailSendSettingsIfRequired(QWidget* parent, const LEmailContext& context);
