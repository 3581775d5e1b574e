#pragma once
// Sort keys of the user list. Keys are compared ordinally, code by code, a key that is a
// prefix of another first (std::u32string's own order).
//
// The backwards name key mirrors every character through the system's ANSI code page:
// a character with code b becomes code 256 - b, which reverses the order of names while
// a name that is a prefix of another still comes first. How characters that are not one
// byte in that code page are treated:
//  - a double-byte character (lead and trail byte in a multi-byte code page) gives two
//    codes, 256 - lead and 256 - trail, so double-byte names are reversed in the code
//    page's own byte order as well;
//  - a character the code page has no byte for, not even a close one, is what every ANSI
//    interface of the platform sees in its place: the default character '?', i.e. 256 - 63.
// All mirrored codes lie in 1..255, above the 0 that puts the row tagged 0 first.
// The bytes themselves come from the window, which asks the platform (see AnsiBytesOf).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace qb::controls {

using SortKey = std::u32string;

// The bytes one character has in the system's ANSI code page, as the platform's ANSI
// conversion gives them (a close character where the code page has one); empty when the
// conversion could only put in its default character.
using AnsiBytesOf = std::function<std::string(wchar_t)>;

// Windows-1252's own characters, without the platform: the models' default, for tests.
AnsiBytesOf Windows1252Bytes();

// Lower-cases a name the way the list compares names: simple one-to-one case mapping
// for Latin, Greek and Cyrillic letters.
std::wstring LowerCaseName(std::wstring_view name);
// One character of a name, lower-cased the same way.
wchar_t LowerCase(wchar_t c);

class SortKeyBuilder {
public:
    explicit SortKeyBuilder(AnsiBytesOf ansiBytes);

    // The lower-cased name, code by code.
    static SortKey Forwards(std::wstring_view lowerName);
    // Appends Forwards(LowerCaseName(name)) to `key`, without making either on its own.
    static void AppendForwardsOf(SortKey& key, std::wstring_view name);
    // The lower-cased name mirrored through the code page (see above).
    SortKey Backwards(std::wstring_view lowerName);

private:
    const std::u32string& Mirrored(wchar_t c);

    AnsiBytesOf ansiBytes_;
    std::unordered_map<wchar_t, std::u32string> cache_; // one look-up per distinct character
};

} // namespace qb::controls
