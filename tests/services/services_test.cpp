// Paths, companion commands and registry values on a simulated machine (code page 1252)
// with a registry in memory.

#include "platform/simulated/simulated_machine.h"
#include "registry_cases.h"
#include "services/companion.h"
#include "services/paths.h"
#include "services/version_record.h"
#include "support/memory_registry.h"
#include "support/recording_user32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <string>

namespace qb::services {
namespace {

TEST(JoinPath, NamesGoIntoTheGivenOrTheProgramsFolderWithOneBackslash) {
    // The program's path, the file name, the folder, and the path they make.
    const wchar_t* cases[][4] = {
        {L"C:\\Tools\\quillbay.exe", L"quillsvc.exe", L"", L"C:\\Tools\\quillsvc.exe"},
        {L"C:\\quillbay.exe", L"quillsvc.exe", L"", L"C:\\quillsvc.exe"},
        {L"C:\\Tools\\quillbay.exe", L"quillsvc.exe", L"C:\\", L"C:\\quillsvc.exe"},
        {L"C:\\Tools\\quillbay.exe", L"quillsvc.exe", L"D:\\Apps", L"D:\\Apps\\quillsvc.exe"},
        // A name with a backslash is a full path only when no folder is given.
        {L"C:\\Tools\\quillbay.exe", L"D:\\a.exe", L"", L"D:\\a.exe"},
        {L"C:\\Tools\\quillbay.exe", L"bin\\a.exe", L"D:\\Apps", L"D:\\Apps\\bin\\a.exe"},
        // Without a known folder the bare name beats a path on the current drive.
        {L"quillbay.exe", L"quillsvc.exe", L"", L"quillsvc.exe"},
    };
    simulated::SimulatedMachine machine;
    for (const auto& [program, name, folder, expected] : cases) {
        machine.programPath = program;
        EXPECT_EQ(JoinPath(machine.Kernel(), name, folder), expected)
            << program << " | " << folder << " | " << name;
    }
}

TEST(SendCommand, GoesOnlyToTheTitledWindowAsDescriptorAndZeroFilledBuffer) {
    simulated::SimulatedMachine machine;
    testing::RecordingUser32 user;
    SendCommand(user, machine.Kernel(), kServiceWindowTitle, L"/update");
    EXPECT_EQ(user.searchedTitles, std::vector<std::string>{"QuillbayService"});
    EXPECT_TRUE(user.sent.empty()) << "sent without a window";

    user.windows["QuillbayService"] = 0x1234;
    SendCommand(user, machine.Kernel(), kServiceWindowTitle, L"/update");
    ASSERT_EQ(user.sent.size(), 1u);
    const auto& sent = user.sent[0];
    EXPECT_EQ(sent.window, 0x1234u);
    EXPECT_EQ(sent.dwData, 3u);
    EXPECT_EQ(sent.cbData, 8u);
    EXPECT_EQ(sent.flags, platform::smto::AbortIfHung);
    EXPECT_EQ(sent.timeoutMilliseconds, 100u);
    ASSERT_EQ(sent.buffer.size(), 1024u);
    EXPECT_EQ(std::string(sent.buffer.begin(), sent.buffer.begin() + 7), "/update");
    EXPECT_TRUE(std::all_of(sent.buffer.begin() + 7, sent.buffer.end(), [](auto b) { return !b; }));
}

// The registry cases against the registry in memory, its text and environment from the
// simulated machine.
class InMemory {
public:
    InMemory() { registry_.CreateKey(platform::HkeyLocalMachine, kKey); }

    platform::RegistryApi& Registry() { return registry_; }
    platform::TextApi& Text() { return machine_.Kernel(); }
    platform::PathsApi& Paths() { return machine_.Kernel(); }
    std::wstring KeyPath() const { return L"SOFTWARE\\QuillBayTest"; }

    // Stored as a "W" call would, and seen by the "A" calls through the code page.
    void SetText(const wchar_t* name, std::uint32_t type, std::wstring_view text) {
        const std::string ansi = machine_.Kernel().WideCharToMultiByte(platform::CpAcp, text, '?');
        SetBytes(name, type, {ansi.begin(), ansi.end()});
    }
    void SetBytes(const wchar_t* name, std::uint32_t type, std::vector<std::uint8_t> bytes) {
        registry_.Set(platform::HkeyLocalMachine, kKey, Narrow(name), type, std::move(bytes));
    }
    cases::Stored Raw(const char* name) {
        const auto value = registry_.Get(platform::HkeyLocalMachine, kKey, name);
        return value ? cases::Stored{value->type, value->data} : cases::Stored{};
    }
    bool KeyIsEmpty() {
        return registry_.ValueCount(platform::HkeyLocalMachine, kKey) == 0 &&
               !registry_.HasKey(platform::HkeyLocalMachine, std::string(kKey) + "\\missing");
    }
    std::wstring SystemRoot() { return L"C:\\windows"; }
    std::optional<std::size_t> OpenKeys() { return registry_.OpenKeyCount(); }

    testing::MemoryRegistry& Memory() { return registry_; }

private:
    static constexpr char kKey[] = "SOFTWARE\\QuillBayTest";
    static std::string Narrow(std::wstring_view text) { return {text.begin(), text.end()}; }

    simulated::SimulatedMachine machine_;
    testing::MemoryRegistry registry_;
};

using namespace cases;
INSTANTIATE_TYPED_TEST_SUITE_P(InMemory, RegistryService, InMemory);

// Text as UTF-16 with its terminating 0, least significant byte first.
std::vector<std::uint8_t> Utf16(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    for (const char16_t c : std::u16string(text) + u'\0')
        bytes.insert(bytes.end(),
                     {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8)});
    return bytes;
}
// A block of a version record: its header, its key, its value and its children, each on a
// 32-bit boundary.
std::vector<std::uint8_t> Block(std::u16string_view key, std::vector<std::uint8_t> value, bool text,
                                const std::vector<std::vector<std::uint8_t>>& children) {
    std::vector<std::uint8_t> b(6);
    auto align = [&] { b.resize((b.size() + 3) & ~std::size_t{3}); };
    const std::vector<std::uint8_t> name = Utf16(key);
    b.insert(b.end(), name.begin(), name.end());
    align();
    const std::size_t valueLength = text ? value.size() / 2 : value.size();
    b.insert(b.end(), value.begin(), value.end());
    for (const auto& child : children) {
        align();
        b.insert(b.end(), child.begin(), child.end());
    }
    const std::uint16_t words[] = {static_cast<std::uint16_t>(b.size()),
                                   static_cast<std::uint16_t>(valueLength), text};
    for (int i = 0; i < 3; ++i) {
        b[2 * i] = static_cast<std::uint8_t>(words[i]);
        b[2 * i + 1] = static_cast<std::uint8_t>(words[i] >> 8);
    }
    return b;
}
std::vector<std::uint8_t> Text(std::u16string_view key, std::u16string_view value) {
    return Block(key, Utf16(value), true, {});
}

TEST(VersionRecord, TheVersionAndTheTextsOfTheFirstTranslationEvenCutShort) {
    // File version 1.2.3.4 (dwFileVersionMS 0x00010002, LS 0x00030004); a German string
    // table before the English one that the translation names, in lower-case digits.
    std::vector<std::uint8_t> fixed(52, 0);
    const std::uint8_t head[] = {0xBD, 0x04, 0xEF, 0xFE, 0, 0, 1, 0, 2, 0, 1, 0, 4, 0, 3, 0};
    std::copy(std::begin(head), std::end(head), fixed.begin());
    const auto record = Block(
        u"VS_VERSION_INFO", fixed, false,
        {Block(u"StringFileInfo", {}, true,
               {Block(u"040704B0", {}, true, {Text(u"CompanyName", u"Tintenfass")}),
                Block(u"040904b0", {}, true,
                      {Text(u"CompanyName", u"Inkwell"), Text(u"FileDescription", u"Quill Bay")})}),
         Block(u"VarFileInfo", {}, true,
               {Block(u"Translation", {0x09, 0x04, 0xB0, 0x04}, false, {})})});
    const auto parsed = ParseVersionRecord(record);
    ASSERT_TRUE(parsed);
    EXPECT_EQ((std::array{parsed->major, parsed->minor, parsed->build, parsed->privatePart}),
              (std::array<std::uint16_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(parsed->strings,
              (std::map<std::wstring, std::wstring>{{L"CompanyName", L"Inkwell"},
                                                    {L"FileDescription", L"Quill Bay"}}));

    // Cut anywhere, a record is refused for its own length; with that length mended, it is
    // read no further than it goes (which the sanitized build watches).
    for (std::size_t size = 2; size < record.size(); ++size) {
        std::vector<std::uint8_t> cut(record.begin(), record.begin() + size);
        EXPECT_FALSE(ParseVersionRecord(cut)) << size;
        cut[0] = static_cast<std::uint8_t>(size);
        cut[1] = static_cast<std::uint8_t>(size >> 8);
        ParseVersionRecord(cut);
    }
    auto other = record;
    other[6] = 'W';
    EXPECT_FALSE(ParseVersionRecord(other));
}

} // namespace
} // namespace qb::services
