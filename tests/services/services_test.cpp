// Paths and companion commands on a simulated machine (code page 1252).

#include "platform/simulated/simulated_machine.h"
#include "services/companion.h"
#include "services/paths.h"
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

    // A command that leaves no room for its 0 byte is not sent rather than cut short.
    SendCommand(user, machine.Kernel(), kServiceWindowTitle, std::wstring(1023, L'x'));
    SendCommand(user, machine.Kernel(), kServiceWindowTitle, std::wstring(1024, L'x'));
    ASSERT_EQ(user.sent.size(), 2u);
    EXPECT_EQ(user.sent[1].cbData, 1024u);
}

} // namespace
} // namespace qb::services
