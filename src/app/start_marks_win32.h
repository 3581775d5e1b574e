#pragma once
// The marks of a start on Windows: the performance counter, the private memory, and the
// file that the environment names for them.

#include "startup/start_marks.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

namespace qb::app {

// The private memory `process` has committed: what the platform reports as its private
// usage or, where it reports none (Wine does not), the committed private pages of its
// address space added up.
std::uint64_t PrivateBytes(HANDLE process);

class StartMarksFile {
public:
    // The marks of this start, when kStartMarksVariable names a file for them; null
    // otherwise, which is a normal run.
    static std::unique_ptr<StartMarksFile> FromEnvironment();
    // Writes the marks to the file.
    ~StartMarksFile();
    StartMarksFile(const StartMarksFile&) = delete;
    StartMarksFile& operator=(const StartMarksFile&) = delete;

    StartMarks& Marks() { return marks_; }

private:
    StartMarksFile(std::wstring path, std::int64_t ticksPerSecond);

    std::wstring path_;
    StartMarks marks_;
};

} // namespace qb::app
