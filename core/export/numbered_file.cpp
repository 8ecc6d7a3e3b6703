// Files named by the first free number: tolvane-001.png, tolvane-002.png, ...
#include "core/export/numbered_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/export/atomic_file.h"

std::string numberedName(const std::string& stem, int number, const std::string& extension)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", number);
    return stem + "-" + digits + extension;
}

std::string outputFolderProblem(const std::string& folder)
{
    struct stat info;
    if (stat(folder.c_str(), &info) != 0)
        return std::strerror(errno);
    if (!S_ISDIR(info.st_mode))
        return "not a folder";
    if (access(folder.c_str(), W_OK | X_OK) != 0)
        return std::strerror(errno);
    return std::string();
}

NumberedWriteResult writeNumberedFile(const std::string& stem, const std::string& extension,
                                      const std::function<bool(std::ostream&)>& writeBody)
{
    constexpr int kLastNumber = 999999;
    for (int number = 1; number <= kLastNumber; ++number) {
        const std::string name = numberedName(stem, number, extension);
        // A name that looks free may still be taken before the write ends: then the next.
        if (access(name.c_str(), F_OK) == 0)
            continue;
        const WriteResult written = writeNewFileAtomically(name, writeBody);
        if (written.ok)
            return NumberedWriteResult{true, name, "", written.note};
        if (!written.exists)
            return NumberedWriteResult{false, name, written.message, ""};
    }
    return NumberedWriteResult{false, "",
                               "every name from " + numberedName(stem, 1, extension) + " to " +
                                   numberedName(stem, kLastNumber, extension) + " is taken",
                               ""};
}

NumberedWriteResult writeNumberedFile(const std::string& stem, const std::string& extension,
                                      const void* data, std::size_t size)
{
    return writeNumberedFile(stem, extension, [data, size](std::ostream& out) {
        out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
        return static_cast<bool>(out);
    });
}
