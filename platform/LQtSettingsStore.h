#pragma once

#include "framework/LSettingsStore.h"

#include <memory>

class QSettings;

// The user's preference store on the toolkit's settings, for the current user under the
// organisation and application "Kestrano". On Linux that is the INI file
// $XDG_CONFIG_HOME/Kestrano/Kestrano.conf (~/.config when the variable is unset), where a
// section is a group: "Settings/LastProjectFilePath" is the key LastProjectFilePath under
// [Settings]. Values are kept as UTF-8 text.
class LQtSettingsStore final : public LSettingsStore {
public:
    LQtSettingsStore();
    // A store in the INI file `iniPath` instead of the user's own, for a settings file that
    // travels with the program and for tests that write the file themselves.
    explicit LQtSettingsStore(const std::string& iniPath);
    ~LQtSettingsStore() override;

    LQtSettingsStore(const LQtSettingsStore&) = delete;
    LQtSettingsStore& operator=(const LQtSettingsStore&) = delete;

    std::optional<std::string> Read(std::string_view fullName) const override;
    void Write(std::string_view fullName, std::string_view value) override;
    void Remove(std::string_view fullName) override;
    std::vector<std::string> FullNames() const override;

    // The file that holds the values.
    std::string FileName() const;

private:
    std::unique_ptr<QSettings> settings_;
};
