#pragma once
// The version record a Windows program carries among its resources (VS_VERSIONINFO), read
// from its bytes. The program reads its own record this way rather than through
// VERSION.dll, a library Windows would look for in the program's folder first.

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>

namespace qb::services {

struct VersionRecord {
    // The file version, "major.minor.build.private" (VS_FIXEDFILEINFO); all 0 without one.
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t build = 0;
    std::uint16_t privatePart = 0;
    // The texts ("CompanyName", "FileDescription", ...) of the record's first translation,
    // or of its first string table when no translation names one.
    std::map<std::wstring, std::wstring> strings;
};

// The record in `bytes`, a VS_VERSIONINFO resource as it lies in the file (UTF-16 keys,
// every block on a 32-bit boundary from the start). Nothing when the bytes are not one;
// parts past a damaged block are left out.
std::optional<VersionRecord> ParseVersionRecord(std::span<const std::uint8_t> bytes);

} // namespace qb::services
