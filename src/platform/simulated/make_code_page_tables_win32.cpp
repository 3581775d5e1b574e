// Writes code_page_tables.cpp: how the platform's own WideCharToMultiByte (no flags, with a
// default character) and MultiByteToWideChar (no flags) convert in each code page that a
// simulated machine can have, in the compact form of code_page_tables.h. Run it under Wine
// (or on Windows) from the Windows build, in the source tree's root:
//
//   cmake --build --preset windows --target make_code_page_tables
//   WINEPREFIX=$PWD/build/windows/wineprefix WINEDEBUG=-all wine
//       build/windows/src/platform/simulated/make_code_page_tables.exe
//       > src/platform/simulated/code_page_tables.cpp
//
// (the last three lines are one command). It stops with a message, writing nothing, when a
// code page converts in a way that the compact form cannot express. The Wine test of the
// code pages compares the result with the platform's conversions, character by character.

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr UINT CodePages[] = {1252, 1250, 932};
constexpr int None = -1;
constexpr int NoCode = 0xFFFF;
constexpr int Keys = 0x10000;
// A linear or constant stretch shorter than this is cheaper to list than to give a run.
constexpr int MinimumRun = 6;
// A listed run goes on over up to this many keys that need no entry, to spare a new run.
constexpr int MaximumGap = 4;

[[noreturn]] void Fail(UINT codePage, const char* what, unsigned value) {
    std::fprintf(stderr, "code page %u: %s (0x%04X); nothing written\n", codePage, what, value);
    std::exit(1);
}

std::optional<std::wstring> Decode(UINT codePage, DWORD flags, const char* bytes, int length) {
    wchar_t out[8];
    const int n = ::MultiByteToWideChar(codePage, flags, bytes, length, out, 8);
    if (n <= 0)
        return std::nullopt;
    return std::wstring(out, static_cast<std::size_t>(n));
}

// The code WideCharToMultiByte writes for `c`, or None where it writes the caller's
// default character: asked with two different defaults, only those come out different.
// In a double-byte code page the default may be a double-byte character, and Wine reads
// a second byte whatever the first: a single-byte default must be followed by a NUL.
int Encode(UINT codePage, wchar_t c) {
    const char defaultA[2] = {'A', '\0'};
    const char defaultB[2] = {'B', '\0'};
    char a[8];
    char b[8];
    const int lengthA = ::WideCharToMultiByte(codePage, 0, &c, 1, a, 8, defaultA, nullptr);
    const int lengthB = ::WideCharToMultiByte(codePage, 0, &c, 1, b, 8, defaultB, nullptr);
    if (lengthA != lengthB || lengthA < 1 || lengthA > 2)
        Fail(codePage, "a character written as neither one nor two bytes", c);
    if (std::string(a, lengthA) != std::string(b, lengthB)) {
        if (lengthA != 1)
            Fail(codePage, "a default character beside another byte", c);
        return None;
    }
    const auto first = static_cast<unsigned char>(a[0]);
    const int code = lengthA == 1 ? first : (first << 8) | static_cast<unsigned char>(a[1]);
    if (code == NoCode)
        Fail(codePage, "a character written as the code the tables keep for none", c);
    return code;
}

struct Table {
    UINT codePage = 0;
    int invalidChar = 0;
    std::vector<bool> lead = std::vector<bool>(256, false);
    std::vector<int> read = std::vector<int>(Keys, None);  // by code; None: the invalid char
    std::vector<int> write = std::vector<int>(Keys, None); // by character; None: the default

    bool IsReadable(int code) const {
        if (code < 256)
            return !lead[code];
        return lead[code >> 8] && (code & 0xFF) != 0;
    }
};

// One code, `length` bytes long: what it reads as. A code that reads as the character for
// invalid text is left out unless the platform accepts it as that character when asked to
// check (as the Japanese middle dot 0x8145), since a code left out reads as that anyway.
void ReadCode(Table& table, int code, int length) {
    char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    const char* text = length == 1 ? bytes + 1 : bytes;
    const auto plain = Decode(table.codePage, 0, text, length);
    if (!plain || plain->size() != 1)
        Fail(table.codePage, "a code that does not read as one character", code);
    if ((*plain)[0] != table.invalidChar ||
        Decode(table.codePage, MB_ERR_INVALID_CHARS, text, length))
        table.read[code] = (*plain)[0];
}

Table ReadTable(UINT codePage) {
    Table table;
    table.codePage = codePage;
    CPINFOEXW info{};
    if (!::GetCPInfoExW(codePage, 0, &info))
        Fail(codePage, "not installed", 0);
    table.invalidChar = info.UnicodeDefaultChar;

    for (int b = 0; b < 256; ++b) {
        table.lead[b] = ::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(b)) != FALSE;
        if (!table.lead[b]) {
            ReadCode(table, b, 1);
            continue;
        }
        const char alone[2] = {static_cast<char>(b), '\0'};
        const auto atEnd = Decode(codePage, 0, alone, 1);
        const auto beforeNul = Decode(codePage, 0, alone, 2);
        if (!atEnd || *atEnd != std::wstring(1, static_cast<wchar_t>(table.invalidChar)))
            Fail(codePage, "a lead byte at the end that does not read as the default", b);
        if (!beforeNul || *beforeNul != *atEnd + L'\0')
            Fail(codePage, "a lead byte before a NUL that does not read as the default", b);
        for (int trail = 1; trail < 256; ++trail)
            ReadCode(table, (b << 8) | trail, 2);
    }
    for (int c = 0; c < Keys; ++c)
        table.write[c] = Encode(codePage, static_cast<wchar_t>(c));
    return table;
}

std::string Hex(int value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, static_cast<unsigned>(value));
    return text;
}

enum Kind { Linear, Same, Listed };
constexpr const char* KindNames[] = {"Linear", "Same", "Listed"};

struct Compressed {
    struct Entry {
        int first;
        int count;
        int start;
        Kind kind;
    };
    std::vector<Entry> runs;
    std::vector<int> list;
};

// Runs that give value(key) for every key where needed(key) holds (and the true value
// for any other key they cover).
Compressed Compress(const std::function<int(int)>& value, const std::function<bool(int)>& needed) {
    // How many keys from `key` on continue its value in steps of `step`.
    const auto stretch = [&](int key, int step) {
        const int first = value(key);
        if (first == NoCode && step != 0)
            return 1;
        int length = 1;
        while (key + length < Keys && value(key + length) == first + step * length)
            ++length;
        return length;
    };
    Compressed out;
    int key = 0;
    while (key < Keys) {
        if (!needed(key)) {
            ++key;
            continue;
        }
        const int linear = stretch(key, 1);
        const int same = stretch(key, 0);
        if (linear >= MinimumRun || same >= MinimumRun) {
            const bool isLinear = linear >= same;
            const int count = isLinear ? linear : same;
            out.runs.push_back({key, count, value(key), isLinear ? Linear : Same});
            key += count;
            continue;
        }
        const int first = key;
        const auto start = static_cast<int>(out.list.size());
        do {
            out.list.push_back(value(key++));
            if (key >= Keys || stretch(key, 1) >= MinimumRun || stretch(key, 0) >= MinimumRun)
                break;
            int next = key;
            while (next < Keys && next - key < MaximumGap && !needed(next))
                ++next;
            if (next >= Keys || !needed(next))
                break;
        } while (true);
        out.runs.push_back({first, key - first, start, Listed});
    }
    return out;
}

// What the runs give for each key; None for keys they do not cover.
std::vector<int> Expand(const Compressed& compressed) {
    std::vector<int> values(Keys, None);
    for (const auto& run : compressed.runs) {
        for (int i = 0; i < run.count; ++i) {
            values[run.first + i] = run.kind == Linear ? run.start + i
                                    : run.kind == Same ? run.start
                                                       : compressed.list[run.start + i];
        }
    }
    return values;
}

void WriteRuns(UINT codePage, const std::string& name, const char* valueType,
               const Compressed& compressed, std::string& out) {
    out += "constexpr Run " + name + "[] = {\n";
    for (const auto& run : compressed.runs) {
        if (run.count > 0xFFFF || run.start > 0xFFFF)
            Fail(codePage, "a run too long for the tables' 16-bit fields",
                 static_cast<unsigned>(run.first));
        out += "    {" + Hex(run.first, 4) + ", " + std::to_string(run.count) + ", " +
               (run.kind == Listed ? std::to_string(run.start) : Hex(run.start, 4)) +
               ", RunKind::" + KindNames[run.kind] + "},\n";
    }
    if (compressed.runs.empty())
        out += "    {0x0000, 0, 0x0000, RunKind::Same},\n";
    out += "};\n";
    if (!compressed.list.empty()) {
        out += std::string("constexpr ") + valueType + " " + name + "List[] = {";
        for (std::size_t i = 0; i < compressed.list.size(); ++i)
            out += (i % 12 == 0 ? "\n    " : " ") + Hex(compressed.list[i], 4) + ",";
        out += "\n};\n";
    }
}

// Writes the table's arrays and gives its entry of the list of code pages.
std::string WriteTable(const Table& table, std::string& out) {
    const std::string name = "Cp" + std::to_string(table.codePage);

    std::string leadBytes = "{}";
    if (std::find(table.lead.begin(), table.lead.end(), true) != table.lead.end()) {
        out += "constexpr LeadByteRange " + name + "LeadBytes[] = {";
        for (int b = 0; b < 256; ++b) {
            if (table.lead[b] && (b == 0 || !table.lead[b - 1])) {
                int last = b;
                while (last + 1 < 256 && table.lead[last + 1])
                    ++last;
                out += "{" + Hex(b, 2) + ", " + Hex(last, 2) + "}, ";
            }
        }
        out += "};\n";
        leadBytes = name + "LeadBytes";
    }

    // Reading. A code left out reads as the invalid character, so that is its value where
    // a listed run covers it on the way.
    const Compressed read = Compress(
        [&](int code) { return table.read[code] == None ? table.invalidChar : table.read[code]; },
        [&](int code) { return table.IsReadable(code) && table.read[code] != None; });
    WriteRuns(table.codePage, name + "Read", "char16_t", read, out);

    // Writing: what differs from reading the runs backwards, as code_page.cpp does.
    const std::vector<int> reads = Expand(read);
    std::vector<int> backwards(Keys, None);
    for (int code = 0; code < Keys; ++code) {
        if (table.IsReadable(code) && reads[code] != None && backwards[reads[code]] == None)
            backwards[reads[code]] = code;
    }
    const Compressed write =
        Compress([&](int c) { return table.write[c] == None ? NoCode : table.write[c]; },
                 [&](int c) { return table.write[c] != backwards[c]; });
    WriteRuns(table.codePage, name + "Write", "std::uint16_t", write, out);
    out += "\n";

    return "    {" + std::to_string(table.codePage) + ", " + Hex(table.invalidChar, 4) + ", " +
           leadBytes + ", " + name + "Read, " + (read.list.empty() ? "{}" : name + "ReadList") +
           ", " + name + "Write, " + (write.list.empty() ? "{}" : name + "WriteList") + "},\n";
}

std::string WineVersion() {
    using GetVersion = const char*(CDECL*)();
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const auto get = ntdll ? reinterpret_cast<GetVersion>(reinterpret_cast<void*>(
                                 ::GetProcAddress(ntdll, "wine_get_version")))
                           : nullptr;
    return get ? std::string("Wine ") + get() : std::string("Windows");
}

} // namespace

int main() {
    std::vector<Table> tables;
    for (UINT codePage : CodePages)
        tables.push_back(ReadTable(codePage));

    std::string out = "// Generated by make_code_page_tables_win32.cpp from the conversions of " +
                      WineVersion() + ";\n// see there how to generate it again. Do not edit.\n";
    out += "// clang-format off\n\n#include \"platform/simulated/code_page_tables.h\"\n\n";
    out += "namespace qb::simulated::detail {\n\nnamespace {\n\n";
    std::string entries;
    for (const Table& table : tables)
        entries += WriteTable(table, out);
    out += "constexpr CodePageData Tables[] = {\n" + entries + "};\n\n} // namespace\n\n";
    out += "std::span<const CodePageData> CodePageTables() {\n    return Tables;\n}\n\n";
    out += "} // namespace qb::simulated::detail\n// clang-format on\n";

    _setmode(_fileno(stdout), _O_BINARY);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
