// Files named by the first free number: tolvane-001.png, tolvane-002.png, ... No GL.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

struct NumberedWriteResult {
    bool ok = false;
    std::string name;     // the name written, when ok
    std::string message;  // one line saying why nothing was written, when !ok
    std::string note;     // when ok: what went wrong after it was written (WriteResult::note)
};

// "stem-NNN.ext": at least three digits, more past 999.
std::string numberedName(const std::string& stem, int number, const std::string& extension);

// Why `folder` cannot take saved files: it is missing, not a folder, or not writable, in the
// operating system's words where it has them; empty when it can.
std::string outputFolderProblem(const std::string& folder);

// Writes the first free numbered name through a temporary file; a stem with a folder in it
// ("out/tolvane") writes there, a bare one in the working folder. An
// existing file is never replaced, not even one that appears while this one is written.
NumberedWriteResult writeNumberedFile(const std::string& stem, const std::string& extension,
                                      const std::function<bool(std::ostream&)>& writeBody);
NumberedWriteResult writeNumberedFile(const std::string& stem, const std::string& extension,
                                      const void* data, std::size_t size);
