#include "platform/simulated/simulated_machine.h"
#include "platform/simulated/text.h"

#include <array>

namespace qb::simulated {

namespace {

// Bytes 0x80..0x9F of Windows-1252. The five bytes the code page leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, in both directions,
// as Windows' own table does. Every other byte is its own Latin-1 character.
constexpr std::array<char32_t, 32> HighHalf{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char32_t Replacement = 0xFFFD;

bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// The code unit as an unsigned value, whatever the signedness and width of wchar_t.
char32_t Unit(wchar_t c) {
    if constexpr (sizeof(wchar_t) == 2)
        return static_cast<char32_t>(static_cast<std::uint16_t>(c));
    else
        return static_cast<char32_t>(static_cast<std::uint32_t>(c));
}

void AppendWide(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c > 0xFFFF) {
            c -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
            return;
        }
    }
    out.push_back(static_cast<wchar_t>(c));
}

} // namespace

// The platform's conversion without flags would also apply "best fit" replacements (Ł
// as L); the machine models the strict table only, so every character outside it
// becomes the default character. A surrogate pair counts as the two code units it is
// made of on Windows, as the real conversion does.
std::string EncodeCodePage1252(std::wstring_view text, char defaultChar) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        const char32_t c = Unit(wc);
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.push_back(static_cast<char>(static_cast<unsigned char>(c)));
            continue;
        }
        char mapped = defaultChar;
        for (std::size_t i = 0; i < HighHalf.size(); ++i) {
            if (HighHalf[i] == c) {
                mapped = static_cast<char>(static_cast<unsigned char>(0x80 + i));
                break;
            }
        }
        out.push_back(mapped);
    }
    return out;
}

std::wstring DecodeCodePage1252(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        const char32_t c = (b >= 0x80 && b < 0xA0) ? HighHalf[b - 0x80u] : char32_t{b};
        out.push_back(static_cast<wchar_t>(c));
    }
    return out;
}

namespace detail {

std::string WideToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = Unit(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
                const char32_t low = Unit(text[i + 1]);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        if (IsSurrogate(c) || c > 0x10FFFF)
            c = Replacement;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::wstring Utf8ToWide(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t c = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            length = 1;
            c = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            c = lead & 0x1Fu;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            c = lead & 0x0Fu;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            c = lead & 0x07u;
            minimum = 0x10000;
        }
        bool valid = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                valid = false;
            else
                c = (c << 6) | (next & 0x3Fu);
        }
        if (valid && (c < minimum || IsSurrogate(c) || c > 0x10FFFF))
            valid = false;
        if (!valid) {
            AppendWide(out, Replacement);
            ++i;
            continue;
        }
        AppendWide(out, c);
        i += length;
    }
    return out;
}

bool IsKnownCodePage(std::uint32_t codePage) {
    return codePage == CodePageWestern || codePage == CodePageUtf8;
}

std::string EncodeCodePage(std::uint32_t codePage, std::wstring_view text, char defaultChar) {
    if (codePage == CodePageUtf8)
        return WideToUtf8(text);
    return EncodeCodePage1252(text, defaultChar);
}

std::wstring DecodeCodePage(std::uint32_t codePage, std::string_view bytes) {
    if (codePage == CodePageUtf8)
        return Utf8ToWide(bytes);
    return DecodeCodePage1252(bytes);
}

} // namespace detail

} // namespace qb::simulated
