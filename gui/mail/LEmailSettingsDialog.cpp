#include "mail/LEmailSettingsDialog.h"

#include "dialogs/QPDialogFields.h"
#include "fileformat/LSettings.h"
#include "framework/LUserPrompts.h"
#include "mail/LEmailSendProcess.h"
#include "mail/LMailTransport.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSslSocket>
#include <QVBoxLayout>

using namespace LEmailSettingsRules;

LEmailSettingsDialog::LEmailSettingsDialog(const LEmailContext& context, QWidget* parent)
    : QDialog(parent), context_(context)
{
    setWindowTitle(QStringLiteral("Email Settings"));
    const Form form = OpenForm(context_.settings, context_.mail);

    auto* methodGroup = new QGroupBox(QStringLiteral("Send Method"), this);
    auto* methodLayout = new QVBoxLayout(methodGroup);
    auto* buttons = new QButtonGroup(this);
    const char* methodTexts[3] = {
            "Use sendmail unix default script",
            "Send directly to other side (work as own SMTP server)",
            "Use SMTP to send email directly to the mail server",
    };
    for (int method = 0; method < 3; ++method) {
        methods_[method] = new QRadioButton(QString::fromUtf8(methodTexts[method]), methodGroup);
        buttons->addButton(methods_[method], method);
        methodLayout->addWidget(methods_[method]);
    }
    methods_[form.method]->setChecked(true);

    hostLabel_ = new QLabel(QStringLiteral("SMTP mail host:"), this);
    host_ = new QLineEdit(QPFromUtf8(form.smtpHost), this);
    host_->setMinimumWidth(260);
    authentication_ = new QCheckBox(QStringLiteral("Server requires authentication"), this);
    authentication_->setChecked(form.smtpAuthOn);
    userNameLabel_ = new QLabel(QStringLiteral("User Name:"), this);
    userName_ = new QLineEdit(QPFromUtf8(form.userName), this);
    passwordLabel_ = new QLabel(QStringLiteral("Password:"), this);
    password_ = new QLineEdit(QPFromUtf8(form.password), this);
    password_->setEchoMode(QLineEdit::Password);
    secure_ = new QCheckBox(QStringLiteral("Use secure connection (SSL/TLS)"), this);
    secure_->setChecked(form.useSSL);
    downSend_ = new QCheckBox(QStringLiteral("If server is down, attempt to send directly"), this);
    downSend_->setChecked(form.smtpDownSend);

    auto* server = new QFormLayout;
    server->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    server->addRow(hostLabel_, host_);
    server->addRow(authentication_);
    server->addRow(userNameLabel_, userName_);
    server->addRow(passwordLabel_, password_);
    server->addRow(secure_);
    server->addRow(downSend_);

    auto* replyGroup = new QGroupBox(QStringLiteral("Default Reply Email"), this);
    auto* replyLayout = new QFormLayout(replyGroup);
    replyLayout->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    reply_ = new QLineEdit(QPFromUtf8(form.replyTo), replyGroup);
    replyLayout->addRow(QStringLiteral("Default reply email:"), reply_);

    auto* okCancel = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(okCancel, &QDialogButtonBox::accepted, this, &LEmailSettingsDialog::accept);
    connect(okCancel, &QDialogButtonBox::rejected, this, &LEmailSettingsDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(methodGroup);
    layout->addLayout(server);
    layout->addWidget(replyGroup);
    layout->addSpacing(8);
    layout->addWidget(okCancel);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(buttons, &QButtonGroup::idToggled, this, [this] { UpdateEnabling(); });
    connect(authentication_, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
    UpdateEnabling();
}

LEmailSettingsDialog::~LEmailSettingsDialog() = default;

QRadioButton& LEmailSettingsDialog::MethodButton(eSendMethod method) const
{
    return *methods_[method];
}

Form LEmailSettingsDialog::CurrentForm() const
{
    Form form;
    for (int method = 0; method < 3; ++method)
        if (methods_[method]->isChecked())
            form.method = static_cast<eSendMethod>(method);
    form.smtpHost = host_->text().toStdString();
    form.smtpAuthOn = authentication_->isChecked();
    form.userName = userName_->text().toStdString();
    form.password = password_->text().toStdString();
    form.useSSL = secure_->isChecked();
    form.smtpDownSend = downSend_->isChecked();
    form.replyTo = reply_->text().toStdString();
    return form;
}

void LEmailSettingsDialog::UpdateEnabling()
{
    const EnabledControls enabled = Enabled(CurrentForm());
    hostLabel_->setEnabled(enabled.smtpHost);
    host_->setEnabled(enabled.smtpHost);
    authentication_->setEnabled(enabled.smtpAuthOn);
    secure_->setEnabled(enabled.useSSL);
    downSend_->setEnabled(enabled.smtpDownSend);
    userNameLabel_->setEnabled(enabled.userName);
    userName_->setEnabled(enabled.userName);
    passwordLabel_->setEnabled(enabled.password);
    password_->setEnabled(enabled.password);
}

QWidget* LEmailSettingsDialog::FieldWidget(int32_t field) const
{
    switch (field) {
    case eFieldHost:
        return host_;
    case eFieldUserName:
        return userName_;
    case eFieldPassword:
        return password_;
    default:
        return reply_;
    }
}

void LEmailSettingsDialog::accept()
{
    const Form form = CurrentForm();
    const QPFormOutcome refusal = Confirm(context_.settings, form);
    if (refusal) {
        context_.prompts.ShowAlert(refusal->title, refusal->message);
        if (auto* edit = qobject_cast<QLineEdit*>(FieldWidget(refusal->field))) {
            edit->setFocus(Qt::OtherFocusReason);
            edit->selectAll();
        }
        return;
    }
    // The secure connection needs the system's TLS library. Without it the sender refuses
    // to send rather than go on in the clear; the user is told so now, in the same words,
    // rather than at the first message.
    const bool tls = context_.mail ? context_.mail->SupportsTLS() : QSslSocket::supportsSsl();
    if (form.method == eSendMethodSMTP && form.useSSL && !tls)
        context_.prompts.ShowInformation(kEmailNoTLSSupportTitle, kEmailNoTLSSupport);
    QDialog::accept();
}

bool LEmailSendSettingsDialog(QWidget* parent, const LEmailContext& context)
{
    LEmailSettingsDialog dialog(context, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool LEmailSendSettingsIfRequired(QWidget* parent, const LEmailContext& context)
{
    if (LSettings(context.settings).GetBool("Email", "SetViewed", false))
        return true;
    return LEmailSendSettingsDialog(parent, context);
}
