#pragma once
// Joining a file name to a folder, by default the program's own folder.

#include "platform/kernel32.h"

#include <string>
#include <string_view>

namespace qb::services {

// The folder the running program lives in, without a trailing backslash except for the
// root of a drive ("C:\Tools", "C:\"). Empty when the program's path names no folder.
std::wstring ProgramFolder(platform::PathsApi& paths);

// A file name that contains a backslash, given with no folder, is taken for a full path
// and returned as it is. Otherwise the name is put in `folder`, or in the program's own
// folder when `folder` is empty, with one backslash between them. When even the
// program's folder is unknown the bare name is returned rather than a path rooted at
// the current drive.
std::wstring JoinPath(platform::PathsApi& paths, std::wstring_view fileName,
                      std::wstring_view folder = {});

} // namespace qb::services
