#pragma once

#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

// A fresh folder under /tmp for one test, removed with everything in it afterwards.
struct TempDir {
    std::string path;
    TempDir()
    {
        char name[] = "/tmp/kestrano-test-XXXXXX";
        path = mkdtemp(name);
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string File(const std::string& name) const { return path + "/" + name; }

    // Writes `bytes` to the file `name` in the folder and returns its path.
    std::string Write(const std::string& name, std::string_view bytes) const
    {
        std::ofstream(File(name), std::ios::binary) << bytes;
        return File(name);
    }

    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(path, error))
            names.push_back(entry.path().filename().string());
        return names;
    }
};
