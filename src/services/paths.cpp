#include "services/paths.h"

namespace qb::services {

std::wstring ProgramFolder(platform::Kernel32& kernel) {
    const std::wstring path = kernel.ProgramPath();
    const auto slash = path.rfind(L'\\');
    if (slash == std::wstring::npos)
        return {};
    // "C:\quillbay.exe" lives in "C:\", not in the drive-relative "C:".
    if (slash == 2 && path[1] == L':')
        return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

std::wstring JoinPath(platform::Kernel32& kernel, std::wstring_view fileName,
                      std::wstring_view folder) {
    if (folder.empty() && fileName.find(L'\\') != std::wstring_view::npos)
        return std::wstring(fileName);
    std::wstring base = folder.empty() ? ProgramFolder(kernel) : std::wstring(folder);
    if (base.empty())
        return std::wstring(fileName);
    if (base.back() != L'\\')
        base += L'\\';
    base += fileName;
    return base;
}

} // namespace qb::services
