// Paths, companion commands and registry values on a simulated machine (code page 1252)
// with a registry in memory.

#include "platform/simulated/simulated_machine.h"
#include "registry_cases.h"
#include "services/companion.h"
#include "services/paths.h"
#include "support/memory_registry.h"
#include "support/recording_user32.h"

#include <gtest/gtest.h>

#include <algorithm>
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

using RegistrySizeCap = RegistryService<InMemory>;

// A value bigger than any the program keeps is taken for damaged data: a failure, not an
// allocation of whatever size the registry claims.
TEST_F(RegistrySizeCap, ValuesAboveTheCapReadAsFailure) {
    for (const std::uint32_t size : {kMaxRegistryValueBytes, kMaxRegistryValueBytes + 1}) {
        std::vector<std::uint8_t> bytes(size, 0);
        bytes[0] = 7;
        b.SetBytes(L"Huge", platform::reg_type::Dword, std::move(bytes));
        RegistryValue result = std::wstring(L"stale");
        const bool within = size <= kMaxRegistryValueBytes;
        EXPECT_EQ(Read(L"Huge", result), within) << size;
        EXPECT_EQ(result, within ? RegistryValue(std::int32_t{7}) : RegistryValue(std::wstring()))
            << size;
    }
}

} // namespace
} // namespace qb::services
