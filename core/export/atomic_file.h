// Writing a file all at once: a temporary name in the same folder, then a rename into place.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

struct WriteResult {
    bool ok = false;
    std::string message;  // one line saying why, when !ok; empty on success
    bool exists = false;  // writeNewFileAtomically only: `path` was there already
};

// Writes `path` by calling `writeBody` on a binary stream over `path + ".tmp-<pid>"`, then
// renames that file to `path`, replacing any file of that name. `writeBody` returns false to
// give up. On any failure (create, write, close, rename, or `writeBody`) the temporary file is
// removed, an existing `path` is left as it was, and the message names `path` and the cause.
WriteResult writeFileAtomically(const std::string& path,
                                const std::function<bool(std::ostream&)>& writeBody);

// The same for bytes already in memory.
WriteResult writeFileAtomically(const std::string& path, const void* data, std::size_t size);

// The same, but an existing `path` is never replaced, not even one that appears while the
// body is written: the call then fails with `exists` set and removes its temporary file.
WriteResult writeNewFileAtomically(const std::string& path,
                                   const std::function<bool(std::ostream&)>& writeBody);
