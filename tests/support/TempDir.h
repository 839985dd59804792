#pragma once

#include <cstdio>
#include <dirent.h>
#include <stdlib.h>
#include <string>
#include <string_view>
#include <unistd.h>
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
        for (const std::string& name : Entries())
            unlink(File(name).c_str());
        rmdir(path.c_str());
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string File(const std::string& name) const { return path + "/" + name; }

    // Writes `bytes` to the file `name` in the folder and returns its path.
    std::string Write(const std::string& name, std::string_view bytes) const
    {
        const std::string file = File(name);
        if (std::FILE* out = std::fopen(file.c_str(), "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), out);
            std::fclose(out);
        }
        return file;
    }

    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        if (DIR* dir = opendir(path.c_str())) {
            while (dirent* entry = readdir(dir)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..")
                    names.push_back(name);
            }
            closedir(dir);
        }
        return names;
    }
};
