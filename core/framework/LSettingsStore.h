#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The per-user preference store: text values addressed by a full name, a section and a key
// joined by a slash ("Settings/LastProjectFilePath"). It holds what belongs to the user
// rather than to a project: the last opened file, window placement, e-mail settings, the
// column mappings of the imports. A store only keeps texts; LSettings
// (fileformat/LSettings.h) decides how booleans, numbers and passwords are written as text.
class LSettingsStore {
public:
    virtual ~LSettingsStore() = default;

    // The value stored under `fullName`, or nothing when there is none. An empty text is a
    // value: readers tell "never set" from "set to nothing".
    virtual std::optional<std::string> Read(std::string_view fullName) const = 0;

    // Stores `value` under `fullName` and flushes it to durable storage before returning, so
    // that neither a crash nor a second instance started right afterwards misses it.
    virtual void Write(std::string_view fullName, std::string_view value) = 0;

    // Removes the value under `fullName`, flushed like Write. Removing what is not there is
    // not an error.
    virtual void Remove(std::string_view fullName) = 0;

    // The full names of all stored values.
    virtual std::vector<std::string> FullNames() const = 0;
};

// A store that lasts only as long as the object: for tests, and for headless runs that must
// neither read nor change the user's own preferences.
class LMemorySettingsStore final : public LSettingsStore {
public:
    std::optional<std::string> Read(std::string_view fullName) const override;
    void Write(std::string_view fullName, std::string_view value) override;
    void Remove(std::string_view fullName) override;
    // In byte order of the names.
    std::vector<std::string> FullNames() const override;

private:
    std::map<std::string, std::string, std::less<>> values_;
};
