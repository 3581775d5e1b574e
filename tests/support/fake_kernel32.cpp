#include "support/fake_kernel32.h"

#include <algorithm>
#include <cctype>

namespace qb::testing {

namespace {

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

} // namespace

bool FakeKernel32::QueryVersion(platform::OsVersionInfo& info, bool) {
    info = version;
    return true;
}

std::uint32_t FakeKernel32::GetTimeZoneInformation(platform::TimeZoneInformation& info) {
    info = timeZone;
    return platform::time_zone_id::Unknown;
}

std::string FakeKernel32::WideCharToMultiByte(std::uint32_t, std::wstring_view text,
                                              char defaultChar) {
    std::string bytes;
    bytes.reserve(text.size());
    for (const wchar_t c : text)
        bytes += static_cast<std::uint32_t>(c) <= 0xFF ? static_cast<char>(c) : defaultChar;
    return bytes;
}

std::wstring FakeKernel32::MultiByteToWideChar(std::uint32_t, std::string_view text) {
    std::wstring wide;
    wide.reserve(text.size());
    for (const char c : text)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return wide;
}

bool FakeKernel32::ExpandEnvironment(std::string_view text, std::string& expanded) {
    ++expansions;
    expanded.clear();
    if (failExpansion)
        return false;
    // The platform reads its argument as a C string.
    text = text.substr(0, text.find('\0'));
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto open = text.find('%', pos);
        const auto close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos) {
            expanded += text.substr(pos);
            break;
        }
        expanded += text.substr(pos, open - pos);
        const std::string name = Upper(std::string(text.substr(open + 1, close - open - 1)));
        const auto found =
            std::find_if(environment.begin(), environment.end(),
                         [&](const auto& entry) { return Upper(entry.first) == name; });
        if (found != environment.end())
            expanded += found->second;
        else
            expanded += text.substr(open, close - open + 1); // unknown: left as it is
        pos = close + 1;
    }
    return true;
}

} // namespace qb::testing
