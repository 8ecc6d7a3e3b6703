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
    // When ok: what went wrong once the whole file was in place (its folder not synced).
    std::string note;
};

// A new, empty file beside `path`, named `path` + ".tmp-" and six random characters, created
// exclusively: it never follows a link nor opens an existing file. fd < 0 and `error` (errno)
// when it cannot be made. POSIX only; the web build keeps its files in memory.
struct TemporaryFile {
    int fd = -1;
    std::string path;
    int error = 0;
};
TemporaryFile createTemporaryFile(const std::string& path);
// Creates exactly `name` as createTemporaryFile does; EEXIST when anything, a link included,
// already has that name.
TemporaryFile openTemporaryFile(const std::string& name);

// For a writer that fills a temporary file itself (seeking in it, as a video muxer does):
// syncs `temp`, closes it and renames it to `path`, replacing any file of that name, then syncs
// the folder; on failure the temporary file is removed and the message says why, as below.
// With `replace` false an existing `path` is kept, as writeNewFileAtomically keeps it.
WriteResult commitTemporaryFile(const TemporaryFile& temp, const std::string& path,
                                bool replace = true);
// Closes `temp` and removes it: nothing is left of a write given up.
void discardTemporaryFile(const TemporaryFile& temp);

// Writes `path` by calling `writeBody` on a binary stream over a temporary file from
// createTemporaryFile, syncs it to disk, renames it to `path` (replacing any file of that
// name) and syncs the folder (where the folder can be opened: one that may be written but not
// read is no failure once the file is in place, and a folder sync that fails leaves ok with a
// `note` saying so). `writeBody` returns false to
// give up; running out of memory or another exception in it is a failure too. On any
// failure (create, write, close, rename, or `writeBody`) the temporary file is
// removed, an existing `path` is left as it was, and the message names `path` and the cause,
// the operating system's reason where it gave one.
WriteResult writeFileAtomically(const std::string& path,
                                const std::function<bool(std::ostream&)>& writeBody);

// The same for bytes already in memory.
WriteResult writeFileAtomically(const std::string& path, const void* data, std::size_t size);

// The same, but an existing `path` is never replaced, not even one that appears while the
// body is written (the name is claimed with renameat2's RENAME_NOREPLACE, or a hard link where
// the file system lacks it): the call then fails with `exists` set and removes its temporary
// file.
WriteResult writeNewFileAtomically(const std::string& path,
                                   const std::function<bool(std::ostream&)>& writeBody);
