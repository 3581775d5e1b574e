// The registry service against an in-memory registry.

#include "services/registry.h"
#include "support/fake_kernel32.h"
#include "support/fake_registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qb::services {
namespace {

using platform::HkeyLocalMachine;
namespace reg_type = platform::reg_type;
using Bytes = std::vector<std::uint8_t>;

constexpr char kKey[] = "SOFTWARE\\QuillBayTest";
constexpr wchar_t kKeyW[] = L"SOFTWARE\\QuillBayTest";

Bytes BytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { registry.AddKey(HkeyLocalMachine, kKey); }
    void TearDown() override {
        // Whatever happened, every key opened was closed again.
        EXPECT_EQ(registry.OpenHandles(), 0u);
    }

    void Store(const std::string& name, std::uint32_t type, Bytes data) {
        registry.SetRaw(HkeyLocalMachine, kKey, name, type, std::move(data));
    }
    bool Read(const std::wstring& name, RegistryValue& result) {
        return ReadRegistryValue(registry, kernel, HkeyLocalMachine, kKeyW, name, result);
    }
    bool Write(const std::wstring& name, const RegistryValue& value, bool asBinary = false) {
        return WriteRegistryValue(registry, kernel, HkeyLocalMachine, kKeyW, name, value, asBinary);
    }
    testing::FakeRegistryValue Stored(const std::string& name) {
        auto value = registry.Raw(HkeyLocalMachine, kKey, name);
        EXPECT_TRUE(value.has_value()) << name;
        return value.value_or(testing::FakeRegistryValue{});
    }

    testing::FakeRegistry registry;
    testing::FakeKernel32 kernel;
};

// --- Reading ---

TEST_F(RegistryTest, FailedReadResetsTheResultByItsKindOnEntry) {
    RegistryValue number = std::int32_t{42};
    EXPECT_FALSE(Read(L"Missing", number));
    EXPECT_EQ(number, RegistryValue(std::int32_t{0}));

    RegistryValue text = std::wstring(L"left over");
    EXPECT_FALSE(Read(L"Missing", text));
    EXPECT_EQ(text, RegistryValue(std::wstring()));

    // A missing key fails the same way and never gets as far as a query.
    RegistryValue other = std::int32_t{7};
    EXPECT_FALSE(ReadRegistryValue(registry, kernel, HkeyLocalMachine, L"SOFTWARE\\NoSuchKey",
                                   L"Value", other));
    EXPECT_EQ(other, RegistryValue(std::int32_t{0}));
    // One query for each missing value, none for the missing key.
    EXPECT_EQ(registry.CountCalls("QueryValue"), 2u);
}

TEST_F(RegistryTest, ReadOpensForReadingAndQueriesOneByteThenTheWholeValue) {
    Store("Name", reg_type::Sz, BytesOf(std::string("Quill Bay") + '\0'));
    RegistryValue result = std::wstring();
    ASSERT_TRUE(Read(L"Name", result));

    const auto& calls = registry.Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].function, "OpenKey");
    EXPECT_EQ(calls[0].name, kKey);
    EXPECT_EQ(calls[0].access, 0x20009u);
    EXPECT_EQ(calls[1].function, "QueryValue");
    EXPECT_EQ(calls[1].bufferSize, 1u);
    EXPECT_EQ(calls[2].function, "QueryValue");
    EXPECT_EQ(calls[2].bufferSize, 10u);
    EXPECT_EQ(calls[3].function, "CloseKey");
}

TEST_F(RegistryTest, DwordsAreLittleEndianAndSigned) {
    Store("Small", reg_type::Dword, {0x2C, 0x01, 0x00, 0x00});
    Store("AllOnes", reg_type::Dword, {0xFF, 0xFF, 0xFF, 0xFF});
    Store("Zero", reg_type::Dword, {0, 0, 0, 0});
    Store("HighByte", reg_type::Dword, {0x00, 0x00, 0x00, 0x80});

    RegistryValue result = std::int32_t{5};
    EXPECT_TRUE(Read(L"Small", result));
    EXPECT_EQ(result, RegistryValue(std::int32_t{300}));
    EXPECT_TRUE(Read(L"AllOnes", result));
    EXPECT_EQ(result, RegistryValue(std::int32_t{-1}));
    EXPECT_TRUE(Read(L"HighByte", result));
    EXPECT_EQ(result, RegistryValue(std::int32_t{INT32_MIN}));
    // All four bytes 0: the trailing 0 is dropped, the rest still reads as 0.
    EXPECT_TRUE(Read(L"Zero", result));
    EXPECT_EQ(result, RegistryValue(std::int32_t{0}));

    // The value's type decides what the result becomes, not its kind on entry.
    RegistryValue text = std::wstring(L"text");
    EXPECT_TRUE(Read(L"Small", text));
    EXPECT_EQ(text, RegistryValue(std::int32_t{300}));
}

TEST_F(RegistryTest, TextLosesExactlyOneTrailingZero) {
    Store("Terminated", reg_type::Sz, {'a', 'b', 'c', 0});
    Store("Bare", reg_type::Sz, {'a', 'b', 'c'});
    Store("Doubled", reg_type::Sz, {'a', 'b', 'c', 0, 0});
    Store("OnlyZero", reg_type::Sz, {0});
    Store("Binary", reg_type::Binary, {'x', 0, 'y', 0});
    Store("Latin", reg_type::Sz, {'c', 'a', 'f', 0xE9, 0});

    RegistryValue result = std::int32_t{1};
    EXPECT_TRUE(Read(L"Terminated", result));
    EXPECT_EQ(result, RegistryValue(std::wstring(L"abc")));
    EXPECT_TRUE(Read(L"Bare", result));
    EXPECT_EQ(result, RegistryValue(std::wstring(L"abc")));
    EXPECT_TRUE(Read(L"Doubled", result));
    EXPECT_EQ(result, RegistryValue(std::wstring(L"abc", 4)));
    EXPECT_TRUE(Read(L"OnlyZero", result));
    EXPECT_EQ(result, RegistryValue(std::wstring()));
    // Binary data is taken as text too, inner zeros and all.
    EXPECT_TRUE(Read(L"Binary", result));
    EXPECT_EQ(result, RegistryValue(std::wstring(L"x\0y", 3)));
    // Bytes go through the system code page.
    EXPECT_TRUE(Read(L"Latin", result));
    EXPECT_EQ(result, RegistryValue(std::wstring(L"caf\u00E9")));
}

TEST_F(RegistryTest, ExpandableTextIsExpanded) {
    Store("Path", reg_type::ExpandSz, BytesOf(std::string("%SystemRoot%\\system32") + '\0'));
    RegistryValue result = std::wstring();
    EXPECT_TRUE(Read(L"Path", result));
    EXPECT_EQ(result, RegistryValue(std::wstring(L"C:\\Windows\\system32")));

    // An expansion the platform refuses is a failed read.
    kernel.failExpansion = true;
    RegistryValue number = std::int32_t{9};
    EXPECT_FALSE(Read(L"Path", number));
    EXPECT_EQ(number, RegistryValue(std::int32_t{0}));
}

TEST_F(RegistryTest, OddDataNeverBreaksTheReader) {
    Store("ShortDword", reg_type::Dword, {0x2C, 0x01});
    Store("OneByteDword", reg_type::Dword, {0x07});
    Store("LongDword", reg_type::Dword, {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});
    Store("Empty", reg_type::Binary, {});
    Store("Multi", reg_type::MultiSz, {'a', 0, 'b', 0, 0});
    Store("Quad", reg_type::Qword, {1, 2, 3, 4, 5, 6, 7, 8});
    Store("BigEndian", 5, {0, 0, 1, 0x2C});
    Bytes big(64 * 1024, 'z');
    big.back() = 0;
    Store("Big", reg_type::Sz, big);

    RegistryValue result = std::int32_t{0};
    // Short integers count their missing high bytes as 0; long ones use the first four.
    EXPECT_TRUE(Read(L"ShortDword", result));
    EXPECT_EQ(result, RegistryValue(std::int32_t{300}));
    EXPECT_TRUE(Read(L"OneByteDword", result));
    EXPECT_EQ(result, RegistryValue(std::int32_t{7}));
    EXPECT_TRUE(Read(L"LongDword", result));
    EXPECT_EQ(result, RegistryValue(std::int32_t{1}));

    // No data at all is a failure.
    result = std::wstring(L"old");
    EXPECT_FALSE(Read(L"Empty", result));
    EXPECT_EQ(result, RegistryValue(std::wstring()));

    // Types the program does not handle leave the result alone.
    for (const wchar_t* name : {L"Multi", L"Quad", L"BigEndian"}) {
        RegistryValue untouched = std::wstring(L"untouched");
        EXPECT_TRUE(Read(name, untouched)) << name;
        EXPECT_EQ(untouched, RegistryValue(std::wstring(L"untouched"))) << name;
    }

    EXPECT_TRUE(Read(L"Big", result));
    ASSERT_TRUE(std::holds_alternative<std::wstring>(result));
    EXPECT_EQ(std::get<std::wstring>(result), std::wstring(64 * 1024 - 1, L'z'));
}

TEST_F(RegistryTest, ValueChangingBetweenTheQueriesFailsTheRead) {
    Store("Growing", reg_type::Sz, BytesOf("ab"));
    int queries = 0;
    registry.afterQuery = [&] {
        if (++queries == 1)
            Store("Growing", reg_type::Sz, BytesOf("abcdef"));
    };
    RegistryValue result = std::wstring(L"old");
    EXPECT_FALSE(Read(L"Growing", result));
    EXPECT_EQ(result, RegistryValue(std::wstring()));

    // Shrinking is harmless: the second query reports what it copied.
    queries = 0;
    registry.afterQuery = [&] {
        if (++queries == 1)
            Store("Growing", reg_type::Sz, BytesOf("x"));
    };
    EXPECT_TRUE(Read(L"Growing", result));
    EXPECT_EQ(result, RegistryValue(std::wstring(L"x")));
}

TEST_F(RegistryTest, AbsurdSizesAreRefusedWithoutAllocating) {
    Store("Huge", reg_type::Binary, Bytes(kMaxRegistryValueBytes + 1, 1));
    RegistryValue result = std::int32_t{3};
    EXPECT_FALSE(Read(L"Huge", result));
    EXPECT_EQ(result, RegistryValue(std::int32_t{0}));
    EXPECT_EQ(registry.CountCalls("QueryValue"), 1u);
}

// --- Writing and deleting ---

TEST_F(RegistryTest, IntegersAreWrittenAsFourLittleEndianBytes) {
    ASSERT_TRUE(Write(L"One", std::int32_t{1}));
    ASSERT_TRUE(Write(L"Negative", std::int32_t{-2}));
    EXPECT_EQ(Stored("One").type, reg_type::Dword);
    EXPECT_EQ(Stored("One").data, (Bytes{1, 0, 0, 0}));
    EXPECT_EQ(Stored("Negative").data, (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));

    ASSERT_FALSE(registry.Calls().empty());
    EXPECT_EQ(registry.Calls().front().access, 0x2003Fu);
    EXPECT_EQ(registry.CountCalls("CloseKey"), 2u);
}

TEST_F(RegistryTest, TextIsWrittenWithItsZeroByteCounted) {
    ASSERT_TRUE(Write(L"Text", std::wstring(L"C:\\Tools\\quillsvc.exe")));
    EXPECT_EQ(Stored("Text").type, reg_type::Sz);
    EXPECT_EQ(Stored("Text").data, BytesOf(std::string("C:\\Tools\\quillsvc.exe") + '\0'));

    ASSERT_TRUE(Write(L"Blob", std::wstring(L"ab"), true));
    EXPECT_EQ(Stored("Blob").type, reg_type::Binary);
    EXPECT_EQ(Stored("Blob").data, (Bytes{'a', 'b', 0}));

    ASSERT_TRUE(Write(L"Empty", std::wstring()));
    EXPECT_EQ(Stored("Empty").data, (Bytes{0}));

    // The system code page decides the bytes; what it cannot hold becomes '?'.
    ASSERT_TRUE(Write(L"Latin", std::wstring(L"caf\u00E9 \u4E2D")));
    EXPECT_EQ(Stored("Latin").data, (Bytes{'c', 'a', 'f', 0xE9, ' ', '?', 0}));
}

TEST_F(RegistryTest, WrittenValuesReadBackUnchanged) {
    for (const RegistryValue& value :
         {RegistryValue(std::int32_t{0}), RegistryValue(std::int32_t{-123456}),
          RegistryValue(std::int32_t{0x01000000}), RegistryValue(std::wstring(L"x")),
          RegistryValue(std::wstring(L"C:\\Program Files\\Quill Bay\\quillsvc.exe"))}) {
        ASSERT_TRUE(Write(L"RoundTrip", value));
        RegistryValue back = std::int32_t{99};
        EXPECT_TRUE(Read(L"RoundTrip", back));
        EXPECT_EQ(back, value);
    }
}

TEST_F(RegistryTest, WritingToAMissingKeyCreatesNothing) {
    const std::size_t keys = registry.KeyCount();
    EXPECT_FALSE(WriteRegistryValue(registry, kernel, HkeyLocalMachine,
                                    L"SOFTWARE\\QuillBayTest\\Missing", L"Value", std::int32_t{1},
                                    false));
    EXPECT_FALSE(DeleteRegistryValue(registry, kernel, HkeyLocalMachine,
                                     L"SOFTWARE\\QuillBayTest\\Missing", L"Value"));
    EXPECT_EQ(registry.KeyCount(), keys);
    EXPECT_EQ(registry.CountCalls("SetValue"), 0u);
    EXPECT_EQ(registry.CountCalls("DeleteValue"), 0u);
}

TEST_F(RegistryTest, TheStatusOfAWriteIsNotExamined) {
    registry.failWrites = 5; // access denied
    EXPECT_TRUE(Write(L"Denied", std::int32_t{1}));
    EXPECT_FALSE(registry.Raw(HkeyLocalMachine, kKey, "Denied").has_value());
}

TEST_F(RegistryTest, DeleteReportsWhatThePlatformAnswered) {
    Store("Quillbay", reg_type::Sz, BytesOf("C:\\Tools\\quillsvc.exe"));
    EXPECT_TRUE(DeleteRegistryValue(registry, kernel, HkeyLocalMachine, kKeyW, L"Quillbay"));
    EXPECT_FALSE(registry.Raw(HkeyLocalMachine, kKey, "Quillbay").has_value());
    EXPECT_FALSE(DeleteRegistryValue(registry, kernel, HkeyLocalMachine, kKeyW, L"Quillbay"));

    EXPECT_EQ(registry.Calls().front().access, 0x2003Fu);
    EXPECT_EQ(registry.CountCalls("CloseKey"), 2u);
}

} // namespace
} // namespace qb::services
