// The simulated machine's text conversions: its ANSI code pages, from the tables of
// code_page_tables.cpp, and UTF-8.

#include "platform/assert.h"
#include "platform/simulated/code_page_tables.h"
#include "platform/simulated/simulated_machine.h"
#include "platform/simulated/text.h"

#include <algorithm>
#include <array>
#include <vector>

namespace qb::simulated {

namespace {

using detail::CodePageData;
using detail::NoCode;
using detail::Run;
using detail::RunKind;

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

template <typename List>
std::uint16_t RunValue(const Run& run, std::uint32_t i, const List& list) {
    switch (run.kind) {
    case RunKind::Linear:
        return static_cast<std::uint16_t>(run.start + i);
    case RunKind::Same:
        return run.start;
    case RunKind::Listed:
        break;
    }
    return static_cast<std::uint16_t>(list[run.start + i]);
}

// One ANSI code page as the platform converts it without flags, unpacked from its
// compact table: every code's character, and every UTF-16 code unit's code.
class CodePage {
public:
    explicit CodePage(const CodePageData& data)
        : codePage_(data.codePage), invalidChar_(static_cast<wchar_t>(data.invalidChar)),
          doubleByte_(!data.leadBytes.empty()) {
        for (const detail::LeadByteRange& range : data.leadBytes)
            for (unsigned b = range.first; b <= range.last; ++b)
                lead_[b] = true;

        read_.assign(doubleByte_ ? 0x10000 : 0x100, invalidChar_);
        std::vector<bool> covered(read_.size(), false);
        for (const Run& run : data.read) {
            for (std::uint32_t i = 0; i < run.count; ++i) {
                const std::uint32_t code = run.first + i;
                if (code >= read_.size())
                    break;
                read_[code] = static_cast<wchar_t>(RunValue(run, i, data.readList));
                covered[code] = true;
            }
        }

        // Each character is written as the lowest code that reads as it, unless the
        // table says otherwise (best fit, a choice among equal codes, or no code at all).
        write_.fill(NoCode);
        for (std::uint32_t code = 0; code < read_.size(); ++code) {
            if (!covered[code] || !IsReadable(code))
                continue;
            std::uint16_t& slot = write_[static_cast<std::uint16_t>(static_cast<char32_t>(read_[code]))];
            if (slot == NoCode)
                slot = static_cast<std::uint16_t>(code);
        }
        for (const Run& run : data.write) {
            for (std::uint32_t i = 0; i < run.count && run.first + i < write_.size(); ++i)
                write_[run.first + i] = RunValue(run, i, data.writeList);
        }
    }

    std::uint32_t Number() const { return codePage_; }

    // Characters outside the code page take their best fit where the code page has one,
    // and `defaultChar` only where it has none. Text is converted one UTF-16 code unit at
    // a time, so a surrogate pair (or, where wchar_t is 32 bits wide, a character beyond
    // U+FFFF) becomes two default characters, as on Windows.
    std::string Encode(std::wstring_view text, char defaultChar) const {
        std::string out;
        out.reserve(text.size());
        const auto put = [&](char32_t unit) {
            const std::uint16_t code = unit <= 0xFFFF ? write_[unit] : NoCode;
            if (code == NoCode) {
                out.push_back(defaultChar);
            } else if (code > 0xFF) {
                out.push_back(static_cast<char>(code >> 8));
                out.push_back(static_cast<char>(code & 0xFF));
            } else {
                out.push_back(static_cast<char>(code));
            }
        };
        for (wchar_t wc : text) {
            const char32_t c = Unit(wc);
            if (c > 0xFFFF && c <= 0x10FFFF) {
                put(0xD800 + ((c - 0x10000) >> 10));
                put(0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                put(c);
            }
        }
        return out;
    }

    // A lead byte at the end of the text, or before a NUL, reads as the code page's
    // character for invalid text; the NUL stays.
    std::wstring Decode(std::string_view bytes) const {
        std::wstring out;
        out.reserve(bytes.size());
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            if (!doubleByte_ || !lead_[b]) {
                out.push_back(read_[b]);
                continue;
            }
            const auto trail = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0u;
            if (trail == 0) {
                out.push_back(invalidChar_);
                continue;
            }
            out.push_back(read_[(static_cast<std::uint32_t>(b) << 8) | trail]);
            ++i;
        }
        return out;
    }

private:
    bool IsReadable(std::uint32_t code) const {
        if (code < 0x100)
            return !lead_[code];
        return lead_[code >> 8] && (code & 0xFF) != 0;
    }

    std::uint32_t codePage_;
    wchar_t invalidChar_;
    bool doubleByte_;
    std::array<bool, 256> lead_{};
    std::vector<wchar_t> read_;
    std::array<std::uint16_t, 0x10000> write_{};
};

// The code pages are unpacked together, once, on first use.
const CodePage* FindCodePage(std::uint32_t codePage) {
    static const std::vector<CodePage> all = [] {
        std::vector<CodePage> pages;
        pages.reserve(detail::CodePageTables().size());
        for (const CodePageData& data : detail::CodePageTables())
            pages.emplace_back(data);
        return pages;
    }();
    const auto it = std::find_if(all.begin(), all.end(),
                                 [&](const CodePage& page) { return page.Number() == codePage; });
    return it == all.end() ? nullptr : &*it;
}

} // namespace

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
        AppendUtf8(out, c);
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t c) {
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

void Utf8ToWide(std::string_view text, std::wstring& wide) {
    // Text of ASCII characters alone, as a machine file's mostly is, widened in place:
    // assigning from the narrow text would make a wide copy of it first.
    if (std::all_of(text.begin(), text.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        wide.resize(text.size());
        std::copy(text.begin(), text.end(), wide.begin());
    } else {
        wide = Utf8ToWide(text);
    }
}

std::wstring Utf8ToWide(std::string_view text) {
    if (std::all_of(text.begin(), text.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::wstring(text.begin(), text.end());
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
    return codePage == CodePageUtf8 || FindCodePage(codePage) != nullptr;
}

std::string EncodeCodePage(std::uint32_t codePage, std::wstring_view text, char defaultChar) {
    if (codePage == CodePageUtf8)
        return WideToUtf8(text);
    const CodePage* page = FindCodePage(codePage);
    QB_ASSERT(page != nullptr);
    return page ? page->Encode(text, defaultChar) : std::string();
}

std::wstring DecodeCodePage(std::uint32_t codePage, std::string_view bytes) {
    if (codePage == CodePageUtf8)
        return Utf8ToWide(bytes);
    const CodePage* page = FindCodePage(codePage);
    QB_ASSERT(page != nullptr);
    return page ? page->Decode(bytes) : std::wstring();
}

} // namespace detail

} // namespace qb::simulated
