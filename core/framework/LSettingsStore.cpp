#include "framework/LSettingsStore.h"

std::optional<std::string> LMemorySettingsStore::Read(std::string_view fullName) const
{
    const auto found = values_.find(fullName);
    if (found == values_.end())
        return std::nullopt;
    return found->second;
}

void LMemorySettingsStore::Write(std::string_view fullName, std::string_view value)
{
    values_.insert_or_assign(std::string(fullName), std::string(value));
}

void LMemorySettingsStore::Remove(std::string_view fullName)
{
    const auto found = values_.find(fullName);
    if (found != values_.end())
        values_.erase(found);
}

std::vector<std::string> LMemorySettingsStore::FullNames() const
{
    std::vector<std::string> names;
    names.reserve(values_.size());
    for (const auto& [name, value] : values_)
        names.push_back(name);
    return names;
}
