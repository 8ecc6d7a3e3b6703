// A fresh empty folder for a test's files, removed with its contents when the test ends.
#pragma once

#include <stdlib.h>
#include <sys/resource.h>

#include <csignal>

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

// While it lives, files may grow to `bytes` at most: a write past that fails with EFBIG, as
// one on a full disk fails, instead of raising SIGXFSZ.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
};

}  // namespace testfs
