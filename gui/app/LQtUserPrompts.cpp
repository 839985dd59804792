#include "LQtUserPrompts.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStandardPaths>

std::optional<std::string> LQtUserPrompts::AskSaveFile(const LSaveFileRequest& request)
{
    QFileDialog dialog(parent_, QString::fromStdString(request.title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(QString::fromStdString(request.folder));
    dialog.selectFile(QString::fromStdString(request.defaultName));
    const QString extension = QString::fromStdString(request.extension);
    dialog.setNameFilter(QStringLiteral("%1 (*.%2)")
                                 .arg(QString::fromStdString(request.fileTypeName), extension));
    // The panel adds the extension itself, so that its question about replacing a file is
    // asked about the file that will really be written.
    dialog.setDefaultSuffix(extension);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst()).toStdString();
}

void LQtUserPrompts::ShowAlert(std::string_view title, std::string_view message)
{
    QMessageBox box(QMessageBox::Warning,
                    QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())),
                    QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())),
                    QMessageBox::Ok, parent_);
    box.exec();
}

std::string LQtUserPrompts::DocumentsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
}
