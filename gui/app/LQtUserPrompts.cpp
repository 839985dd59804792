#include "LQtUserPrompts.h"

#include "dialogs/QPDialogFields.h"
#include "mail/LEmail.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

QString NameFilter(const std::string& typeName, const std::string& extension)
{
    return QStringLiteral("%1 (*.%2)")
            .arg(QString::fromStdString(typeName), QString::fromStdString(extension));
}

} // namespace

std::optional<std::string> LQtUserPrompts::AskSaveFile(const LSaveFileRequest& request)
{
    QFileDialog dialog(parent_, QString::fromStdString(request.title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(QString::fromStdString(request.folder));
    dialog.selectFile(QString::fromStdString(request.defaultName));
    dialog.setNameFilter(NameFilter(request.fileTypeName, request.extension));
    // The panel adds the extension itself, so that its question about replacing a file is
    // asked about the file that will really be written.
    dialog.setDefaultSuffix(QString::fromStdString(request.extension));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst()).toStdString();
}

std::optional<std::string> LQtUserPrompts::AskOpenFile(const LOpenFileRequest& request)
{
    QFileDialog dialog(parent_, QString::fromStdString(request.title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDirectory(QString::fromStdString(request.folder));
    dialog.setNameFilter(NameFilter(request.fileTypeName, request.extension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst()).toStdString();
}

void LQtUserPrompts::ShowAlert(std::string_view title, std::string_view message)
{
    QMessageBox box(QMessageBox::Warning, QPFromUtf8(title), QPFromUtf8(message), QMessageBox::Ok,
                    parent_);
    box.exec();
}

void LQtUserPrompts::ShowInformation(std::string_view title, std::string_view message)
{
    QMessageBox box(QMessageBox::Information, QPFromUtf8(title), QPFromUtf8(message),
                    QMessageBox::Ok, parent_);
    box.exec();
}

int LQtUserPrompts::AskQuestion(std::string_view title, std::string_view message,
                                const std::vector<std::string>& buttons)
{
    QMessageBox box(QMessageBox::Question, QPFromUtf8(title), QPFromUtf8(message),
                    QMessageBox::NoButton, parent_);
    std::vector<QPushButton*> pushButtons;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        // The roles only place the buttons the way the desktop expects: the first is the
        // affirmative answer, the last (of several) the cancelling one.
        QMessageBox::ButtonRole role = QMessageBox::ActionRole;
        if (i == 0)
            role = QMessageBox::AcceptRole;
        else if (i + 1 == buttons.size())
            role = QMessageBox::RejectRole;
        else
            role = QMessageBox::DestructiveRole;
        pushButtons.push_back(box.addButton(QString::fromStdString(buttons[i]), role));
    }
    if (!pushButtons.empty()) {
        box.setDefaultButton(pushButtons.front());
        box.setEscapeButton(pushButtons.back());
    }
    box.exec();
    for (std::size_t i = 0; i < pushButtons.size(); ++i)
        if (box.clickedButton() == pushButtons[i])
            return static_cast<int>(i);
    return static_cast<int>(buttons.size()) - 1;
}

std::optional<std::string> LQtUserPrompts::AskText(std::string_view title, std::string_view message,
                                                   std::string_view initial)
{
    bool accepted = false;
    const QString text = QInputDialog::getText(parent_, QPFromUtf8(title), QPFromUtf8(message),
                                               QLineEdit::Normal, QPFromUtf8(initial), &accepted);
    if (!accepted)
        return std::nullopt;
    return text.toStdString();
}

std::optional<LEmailAddressAnswer>
LQtUserPrompts::AskEmailAddress(const LEmailAddressRequest& request)
{
    QDialog dialog(parent_);
    dialog.setWindowTitle(QPFromUtf8(request.title));
    auto* addresses = new QLineEdit(QPFromUtf8(request.initial), &dialog);
    addresses->setMinimumWidth(340);
    addresses->setPlaceholderText(QStringLiteral("name@example.com"));
    auto* hint = new QLabel(QStringLiteral("Separate several addresses with commas."), &dialog);
    hint->setEnabled(false);
    auto* remember = new QCheckBox(QStringLiteral("Remember this email address"), &dialog);
    remember->setChecked(request.remember);
    auto* comment = new QPlainTextEdit(&dialog);
    comment->setTabChangesFocus(true);
    comment->setFixedHeight(96);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    // An address the mail sender would refuse is caught here, where it can still be fixed.
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    const auto check = [addresses, ok] {
        ok->setEnabled(LEmail::ValidateAddress(addresses->text().trimmed().toStdString()));
    };
    QObject::connect(addresses, &QLineEdit::textChanged, &dialog, check);
    check();

    auto* fields = new QFormLayout;
    fields->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    fields->addRow(QStringLiteral("Email address(es):"), addresses);
    fields->addRow(QString(), hint);
    fields->addRow(QString(), remember);
    fields->addRow(QStringLiteral("Comment (optional):"), comment);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(fields);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    addresses->setFocus();
    addresses->selectAll();

    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return LEmailAddressAnswer{addresses->text().trimmed().toStdString(), remember->isChecked(),
                               comment->toPlainText().trimmed().toStdString()};
}

std::optional<LFaxNumberAnswer> LQtUserPrompts::AskFaxNumber(const LFaxNumberRequest& request)
{
    QDialog dialog(parent_);
    dialog.setWindowTitle(QPFromUtf8(request.title));
    auto* number = new QLineEdit(QPFromUtf8(request.initial), &dialog);
    number->setMinimumWidth(240);
    auto* remember = new QCheckBox(QStringLiteral("Remember this fax number"), &dialog);
    remember->setChecked(request.remember);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    auto* fields = new QFormLayout;
    fields->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    fields->addRow(QStringLiteral("Fax number:"), number);
    fields->addRow(QString(), remember);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(fields);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    number->setFocus();
    number->selectAll();

    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return LFaxNumberAnswer{number->text().trimmed().toStdString(), remember->isChecked()};
}

std::string LQtUserPrompts::DocumentsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
}
