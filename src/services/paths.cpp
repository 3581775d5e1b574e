#include "services/paths.h"

namespace qb::services {

std::wstring ProgramFolder(platform::PathsApi& paths) {
    const std::wstring path = paths.ProgramPath();
    const auto slash = path.rfind(L'\\');
    if (slash == std::wstring::npos)
        return {};
    // "C:\quillbay.exe" lives in "C:\", not in the drive-relative "C:".
    if (slash == 2 && path[1] == L':')
        return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

std::wstring JoinPath(platform::PathsApi& paths, std::wstring_view fileName,
                      std::wstring_view folder) {
    if (folder.empty() && fileName.find(L'\\') != std::wstring_view::npos)
        return std::wstring(fileName);
    std::wstring base = folder.empty() ? ProgramFolder(paths) : std::wstring(folder);
    if (base.empty())
        return std::wstring(fileName);
    if (base.back() != L'\\')
        base += L'\\';
    base += fileName;
    return base;
}

} // namespace qb::services
