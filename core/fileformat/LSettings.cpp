#include "fileformat/LSettings.h"

#include "framework/LScan.h"

#include <optional>

namespace {

// Passwords are combined byte by byte with this text, repeated, and written as hexadecimal
// digits: the stored form is plain printable ASCII whatever the password holds, and it does
// not show the password to someone glancing at the settings file. Changing the text makes
// every stored password unreadable.
constexpr std::string_view kPasswordMask = "Kestrano";
constexpr std::string_view kPasswordPrefix = "__";
constexpr std::string_view kHexDigits = "0123456789ABCDEF";

std::string ScramblePassword(std::string_view password)
{
    std::string scrambled;
    scrambled.reserve(password.size() * 2);
    for (std::size_t i = 0; i < password.size(); ++i) {
        const auto byte = static_cast<unsigned char>(password[i]) ^
                          static_cast<unsigned char>(kPasswordMask[i % kPasswordMask.size()]);
        scrambled += kHexDigits[byte >> 4];
        scrambled += kHexDigits[byte & 0x0F];
    }
    return scrambled;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::string> UnscramblePassword(std::string_view scrambled)
{
    if (scrambled.size() % 2 != 0)
        return std::nullopt;
    std::string password;
    password.reserve(scrambled.size() / 2);
    for (std::size_t i = 0; i < scrambled.size(); i += 2) {
        const int high = HexValue(scrambled[i]);
        const int low = HexValue(scrambled[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        const std::size_t at = i / 2;
        password += static_cast<char>(
                (high << 4 | low) ^
                static_cast<unsigned char>(kPasswordMask[at % kPasswordMask.size()]));
    }
    return password;
}

std::string PasswordKey(std::string_view key)
{
    std::string name(kPasswordPrefix);
    name += key;
    return name;
}

char FoldAsciiCase(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (FoldAsciiCase(text[i]) != FoldAsciiCase(prefix[i]))
            return false;
    }
    return true;
}

// The values to remove are collected first: a store need not allow removing while its names
// are walked.
template <typename Matches>
void RemoveWhere(LSettingsStore& store, Matches matches)
{
    for (const std::string& name : store.FullNames()) {
        if (matches(std::string_view(name)))
            store.Remove(name);
    }
}

} // namespace

std::string LSettingsFullName(std::string_view section, std::string_view key)
{
    std::string name(section);
    if (!section.ends_with('/'))
        name += '/';
    name += key;
    return name;
}

LFixedText LSettings::GetString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const
{
    const std::optional<std::string> value = store_.Read(LSettingsFullName(section, key));
    return value ? LFixedText(*value) : LFixedText(defaultValue);
}

void LSettings::SetString(std::string_view section, std::string_view key, std::string_view value)
{
    store_.Write(LSettingsFullName(section, key), value);
}

bool LSettings::GetBool(std::string_view section, std::string_view key, bool defaultValue) const
{
    const std::optional<std::string> value = store_.Read(LSettingsFullName(section, key));
    if (!value || value->empty())
        return defaultValue;
    return value->front() != '0';
}

void LSettings::SetBool(std::string_view section, std::string_view key, bool value)
{
    SetString(section, key, value ? "1" : "0");
}

int LSettings::GetInt(std::string_view section, std::string_view key, int defaultValue) const
{
    const std::optional<std::string> value = store_.Read(LSettingsFullName(section, key));
    if (!value || value->empty())
        return defaultValue;
    int number = 0;
    LScanInts(*value, "%d", {&number});
    return number;
}

int LSettings::GetIntClamped(std::string_view section, std::string_view key, int defaultValue,
                             int minimum, int maximum) const
{
    int value = GetInt(section, key, defaultValue);
    if (value > maximum)
        value = maximum;
    if (value < minimum)
        value = minimum;
    return value;
}

void LSettings::SetInt(std::string_view section, std::string_view key, int value)
{
    SetString(section, key, std::to_string(value));
}

LFixedText LSettings::GetPassword(std::string_view section, std::string_view key,
                                  std::string_view defaultValue) const
{
    const std::optional<std::string> stored =
            store_.Read(LSettingsFullName(section, PasswordKey(key)));
    if (!stored)
        return LFixedText(defaultValue);
    const std::optional<std::string> password = UnscramblePassword(*stored);
    return password ? LFixedText(*password) : LFixedText(defaultValue);
}

void LSettings::SetPassword(std::string_view section, std::string_view key,
                            std::string_view password)
{
    store_.Write(LSettingsFullName(section, PasswordKey(key)), ScramblePassword(password));
}

void LSettings::Delete(std::string_view section, std::string_view key)
{
    store_.Remove(LSettingsFullName(section, key));
}

void LSettings::DeleteSection(std::string_view section)
{
    const std::string prefix = LSettingsFullName(section, "");
    RemoveWhere(store_, [&](std::string_view name) { return name.starts_with(prefix); });
}

LSharedSettingsRecord::LSharedSettingsRecord(LSettingsStore& store, std::string_view path)
    : settings_(store)
{
    while (path.ends_with('/'))
        path.remove_suffix(1);
    path_ = path;
}

LFixedText LSharedSettingsRecord::GetString(std::string_view key,
                                            std::string_view defaultValue) const
{
    return settings_.GetString(path_, key, defaultValue);
}

void LSharedSettingsRecord::SetString(std::string_view key, std::string_view value)
{
    settings_.SetString(path_, key, value);
}

int LSharedSettingsRecord::GetInt(std::string_view key, int defaultValue) const
{
    return settings_.GetInt(path_, key, defaultValue);
}

void LSharedSettingsRecord::SetInt(std::string_view key, int value)
{
    settings_.SetInt(path_, key, value);
}

void LSharedSettingsRecord::DeleteRecord()
{
    const std::string prefix = path_ + '/';
    RemoveWhere(settings_.Store(),
                [&](std::string_view name) { return StartsWithIgnoringCase(name, prefix); });
}
