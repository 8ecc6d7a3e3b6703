// A fresh empty folder for a test's files, removed with its contents when the test ends.
#pragma once

#include <stdlib.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace testfs {

struct TempFolder {
    std::filesystem::path path;
    TempFolder()
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tolvane-test-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The path of `name` inside the folder.
    std::string operator/(const std::string& name) const { return (path / name).string(); }
    // How many files and folders it holds.
    std::size_t entries() const
    {
        return static_cast<std::size_t>(
            std::distance(std::filesystem::directory_iterator(path), {}));
    }
};

// A whole file's bytes; empty when it cannot be read.
inline std::string contentOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace testfs
