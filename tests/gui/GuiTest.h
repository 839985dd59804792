#pragma once

// What the widget tests share: Qt, scripted prompts and settings, throw-away files, dialogs.

#include "fileformat/LSettings.h"
#include "framework/LSettingsStore.h"
#include "mail/LEmailSettingsRules.h"

#include "support/PDFPages.h"
#include "support/Plan.h"
#include "support/ScriptedPrompts.h"

#include <QTest>
#include <QtWidgets>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

using Texts = std::vector<std::string>;
using Sizes = std::vector<std::pair<double, double>>;

// The names of the elements of a list of a project, in order.
template <class List>
Texts Names(const List& list)
{
    Texts names;
    for (const auto& element : list)
        names.push_back(element.name.str());
    return names;
}

inline Sizes PageSizes(const std::string& path)
{
    return PDFPageSizes(QString::fromStdString(path));
}

// Acts on the modal dialog of this kind that the next call is about to show.
template <class Dialog>
void WhenShown(std::function<void(Dialog&)> act)
{
    QTimer::singleShot(0, [act = std::move(act)] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

inline void Press(QWidget& dialog, QDialogButtonBox::StandardButton button)
{
    dialog.findChild<QDialogButtonBox*>()->button(button)->click();
}

inline std::string ReadFile(const std::string& path)
{
    std::stringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

// A header of a message sent through sendmail or a server.
inline std::string Header(const std::string& message, const std::string& name)
{
    const std::size_t at = message.find("\n" + name + ": ") + name.size() + 3;
    return message.substr(at, message.find_first_of("\r\n", at) - at);
}

// The attached file of a message: its name and its bytes.
inline std::pair<std::string, QByteArray> Attachment(const std::string& message)
{
    const std::string marker = "Content-Disposition: attachment; filename=\"";
    const std::size_t at = message.find(marker) + marker.size();
    const std::size_t data = message.find("\n\n", at) + 2;
    return {message.substr(at, message.find('"', at) - at),
            QByteArray::fromBase64(QByteArray::fromStdString(
                    message.substr(data, message.find("\n--", data) - data)))};
}

// The e-mail settings as confirmed once: sendmail, or else the server smtp.example.com:2525.
inline void EmailSettingsSeen(LSettingsStore& store, bool sendmail = true)
{
    using namespace LEmailSettingsRules;
    Form form;
    form.method = sendmail ? eSendMethodSendMail : eSendMethodSMTP;
    form.smtpHost = "smtp.example.com:2525";
    form.replyTo = "planner@example.org";
    ASSERT_FALSE(Confirm(store, form));
}

// A throw-away folder for the files a test writes and reads.
struct TempFolder {
    std::string Path(const std::string& name) const
    {
        return folder.filePath(QString::fromStdString(name)).toStdString();
    }
    std::string WriteFile(const std::string& name, const std::string& contents) const
    {
        std::ofstream(Path(name), std::ios::binary) << contents;
        return Path(name);
    }
    std::string Root() const { return folder.path().toStdString(); }
    QTemporaryDir folder;
};

// What a widget test starts from: a plan, scripted prompts, settings and a throw-away folder.
class WidgetTest : public ::testing::Test, protected TempFolder {
protected:
    Plan plan;
    ScriptedPrompts prompts;
    LMemorySettingsStore store;
};
