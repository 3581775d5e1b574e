// Companion commands against a user32 that records what is sent.

#include "services/companion.h"
#include "support/fake_kernel32.h"
#include "support/recording_user32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace qb::services {
namespace {

class CompanionTest : public ::testing::Test {
protected:
    testing::FakeKernel32 kernel;
    testing::RecordingUser32 user;
};

TEST_F(CompanionTest, UpdateReachesTheServiceWindowInTheAgreedFormat) {
    user.windows["QuillbayService"] = 0x1234;
    SendCommand(user, kernel, kServiceWindowTitle, L"/update");

    EXPECT_EQ(user.searchedTitles, std::vector<std::string>{"QuillbayService"});
    ASSERT_EQ(user.sent.size(), 1u);
    const auto& sent = user.sent[0];
    EXPECT_EQ(sent.window, 0x1234u);
    EXPECT_EQ(sent.dwData, 3u);
    EXPECT_EQ(sent.cbData, 8u);
    EXPECT_EQ(sent.flags, 0x0002u);
    EXPECT_EQ(sent.timeoutMilliseconds, 100u);
    ASSERT_EQ(sent.buffer.size(), 1024u);
    EXPECT_EQ(std::string(sent.buffer.begin(), sent.buffer.begin() + 7), "/update");
    EXPECT_TRUE(std::all_of(sent.buffer.begin() + 7, sent.buffer.end(),
                            [](std::uint8_t b) { return b == 0; }));
}

TEST_F(CompanionTest, NothingIsSentWithoutAWindowOfThatTitle) {
    user.windows["QuillbayTray"] = 0x99;
    SendCommand(user, kernel, kServiceWindowTitle, L"/suspend");
    EXPECT_EQ(user.searchedTitles, std::vector<std::string>{"QuillbayService"});
    EXPECT_TRUE(user.sent.empty());

    SendCommand(user, kernel, kTrayWindowTitle, L"/close");
    ASSERT_EQ(user.sent.size(), 1u);
    EXPECT_EQ(user.sent[0].window, 0x99u);
    EXPECT_EQ(user.sent[0].cbData, 7u);
}

TEST_F(CompanionTest, CommandsThatWouldFillTheBufferAreNotSent) {
    user.windows["QuillbayService"] = 1;
    // 1023 bytes still leave room for the 0 byte.
    SendCommand(user, kernel, kServiceWindowTitle, std::wstring(1023, L'x'));
    ASSERT_EQ(user.sent.size(), 1u);
    EXPECT_EQ(user.sent[0].cbData, 1024u);
    EXPECT_EQ(user.sent[0].buffer[1022], 'x');
    EXPECT_EQ(user.sent[0].buffer[1023], 0);

    SendCommand(user, kernel, kServiceWindowTitle, std::wstring(1024, L'x'));
    SendCommand(user, kernel, kServiceWindowTitle, std::wstring(5000, L'x'));
    EXPECT_EQ(user.sent.size(), 1u);
}

TEST_F(CompanionTest, TextGoesOutInTheSystemCodePage) {
    user.windows["Caf\xE9"] = 7;
    SendCommand(user, kernel, L"Caf\u00E9", L"/r\u00E9sum\u00E9 \u4E2D");
    ASSERT_EQ(user.sent.size(), 1u);
    const std::string expected = "/r\xE9sum\xE9 ?";
    EXPECT_EQ(user.sent[0].cbData, expected.size() + 1);
    EXPECT_EQ(std::string(user.sent[0].buffer.begin(),
                          user.sent[0].buffer.begin() + static_cast<long>(expected.size())),
              expected);
}

} // namespace
} // namespace qb::services
