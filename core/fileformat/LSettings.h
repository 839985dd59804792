#pragma once

#include "framework/LFixedText.h"
#include "framework/LSettingsStore.h"

#include <string>
#include <string_view>

// The full name of the setting `key` in `section`: section + "/" + key, without a second
// slash when the section already ends with one.
std::string LSettingsFullName(std::string_view section, std::string_view key);

// Typed access to the preference store. Every value is kept as text, so any store can hold
// it and the user's settings file stays readable; this class fixes how texts, booleans,
// numbers and passwords are written and read back. A missing or unreadable value always
// yields the caller's default and nothing is reported: preferences are a convenience, never
// a reason for an operation to fail. Every write goes straight through to the store, which
// flushes it at once.
class LSettings {
public:
    explicit LSettings(LSettingsStore& store) : store_(store) {}

    LSettingsStore& Store() const { return store_; }

    // A missing value gives `defaultValue`. Texts come back cut to 259 bytes like every short
    // text field, so a value edited by hand cannot overflow a field it is copied into.
    LFixedText GetString(std::string_view section, std::string_view key,
                         std::string_view defaultValue = {}) const;
    void SetString(std::string_view section, std::string_view key, std::string_view value);

    // Written "1" or "0". A missing or empty value gives `defaultValue`; a value beginning
    // with '0' is false and any other text true.
    bool GetBool(std::string_view section, std::string_view key, bool defaultValue) const;
    void SetBool(std::string_view section, std::string_view key, bool value);

    // Written in decimal. A missing or empty value gives `defaultValue`; otherwise the value
    // is the decimal number at its start (after white space), 0 when there is none, and the
    // limit of int when it is larger than an int.
    int GetInt(std::string_view section, std::string_view key, int defaultValue) const;
    // GetInt limited to [minimum, maximum]; the default is limited too. When the limits cross
    // (a window wider than the screen it is placed on) the minimum wins.
    int GetIntClamped(std::string_view section, std::string_view key, int defaultValue, int minimum,
                      int maximum) const;
    void SetInt(std::string_view section, std::string_view key, int value);

    // Passwords are kept under "__" + key, so they never mix with a plain setting of the same
    // name, and scrambled, so that they cannot be read at a glance in the settings file. The
    // scrambling is NOT encryption: anyone with this source or some patience recovers the
    // password. A stored value that does not unscramble gives `defaultValue`.
    LFixedText GetPassword(std::string_view section, std::string_view key,
                           std::string_view defaultValue = {}) const;
    void SetPassword(std::string_view section, std::string_view key, std::string_view password);

    void Delete(std::string_view section, std::string_view key);
    // Removes every value whose full name begins with the section's name and a slash, spelled
    // exactly as the section is read.
    void DeleteSection(std::string_view section);

private:
    LSettingsStore& store_;
};

// A group of settings that belong together and are replaced as a whole, such as the stored
// field-to-column mapping of a CSV import ("TaskImportCSV/Count", "TaskImportCSV/0", ...).
// The path names the section; a trailing "/" is dropped.
class LSharedSettingsRecord {
public:
    LSharedSettingsRecord(LSettingsStore& store, std::string_view path);

    const std::string& Path() const { return path_; }

    // Read and written like plain settings of the section Path().
    LFixedText GetString(std::string_view key, std::string_view defaultValue = {}) const;
    void SetString(std::string_view key, std::string_view value);
    int GetInt(std::string_view key, int defaultValue) const;
    void SetInt(std::string_view key, int value);

    // Removes every value whose full name begins with Path() + "/", compared without regard to
    // ASCII case, so a record written under another spelling of its name goes too. The
    // setting "Settings/TaskImportCSV" is not part of the record "TaskImportCSV".
    void DeleteRecord();

private:
    LSettings settings_;
    std::string path_;
};
