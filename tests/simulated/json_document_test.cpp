// The machine file's document reader against a thorough JSON parser: on random documents,
// written with every kind of escape, number and blank, and on the same documents broken
// byte by byte, it takes exactly the texts that the parser takes and in which no object
// repeats a key, and reads the same values from them.

#include "platform/simulated/json_document.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

namespace qb::simulated::detail {
namespace {

using Json = nlohmann::ordered_json;

class RandomDocument {
public:
    explicit RandomDocument(std::uint32_t seed) : random_(seed) {}

    std::string Make() {
        std::string text = Pick(8) == 0 ? "\xEF\xBB\xBF" : "";
        Value(text, 0);
        return text + Pick({"", " ", "\n"});
    }

    // The text with a byte or two deleted, doubled or replaced by one that JSON cares about.
    std::string Break(std::string text) {
        const std::string bytes =
            "{}[],:\"\\ 0123456789-+.eEtrufalsn\x01\x1F\t\x7F\xC3\xA9\xED\xF0";
        for (int n = 1 + Pick(2); n > 0 && !text.empty(); --n) {
            const std::size_t at = Pick(static_cast<int>(text.size()));
            const int how = Pick(3);
            if (how == 0)
                text.erase(at, 1);
            else if (how == 1)
                text.insert(at, 1, text[at]);
            else
                text[at] = bytes[static_cast<std::size_t>(Pick(static_cast<int>(bytes.size())))];
        }
        return text;
    }

private:
    int Pick(int n) { return static_cast<int>(random_() % static_cast<std::uint32_t>(n)); }
    const char* Pick(std::initializer_list<const char*> choices) {
        return choices.begin()[Pick(static_cast<int>(choices.size()))];
    }

    void Value(std::string& text, int depth) {
        text += Pick({"", "", " ", "\n  ", "\t", "\r\n"});
        const int kind = depth > 4 ? 2 + Pick(2) : Pick(4);
        if (kind < 2) {
            const bool object = kind == 0;
            text += object ? '{' : '[';
            for (int i = 0, n = Pick(5); i < n; ++i) {
                text += i ? "," : "";
                // Keys are drawn from a few, so that some objects repeat one, written plainly
                // or with their letter escaped.
                if (object)
                    text += Pick({"\"k", "\"k", "\"k", " \"\\u006b"}) + std::to_string(Pick(12)) +
                            "\"" + Pick({"", " "}) + ":";
                Value(text, depth + 1);
            }
            text += Pick({"", "\n"});
            text += object ? '}' : ']';
        } else if (kind == 2) {
            text += Pick({"0", "-0", "7", "-12", "4294967295", "3.25", "1e3", "-2.5E-3", "0.0",
                          "1E+2", "18446744073709551615", "18446744073709551616",
                          "-9223372036854775808", "-9223372036854775809", "true", "false", "null"});
        } else {
            text += '"';
            for (int n = Pick(4); n > 0; --n)
                text += Pick({"a", "Zoë", "\\\"", "\\\\", "\\/", "\\b\\f\\n\\r\\t", "\\u0041",
                              "\\u00e9", "\\u20AC", "\\ud83d\\ude00", "\\u0000", "€",
                              "\xF0\x9F\x98\x80", " "});
            text += '"';
        }
    }

    std::mt19937 random_;
};

// What the thorough parser takes: valid JSON in which no object repeats a key.
bool ParserTakes(const std::string& text) {
    std::vector<std::set<std::string>> keys;
    bool repeated = false;
    const Json::parser_callback_t watch = [&](int, Json::parse_event_t event, Json& parsed) {
        if (event == Json::parse_event_t::object_start)
            keys.emplace_back();
        else if (event == Json::parse_event_t::object_end)
            keys.pop_back();
        else if (event == Json::parse_event_t::key)
            repeated = !keys.back().insert(parsed.get<std::string>()).second || repeated;
        return true;
    };
    try {
        const Json ignored = Json::parse(text, watch);
    } catch (const Json::exception&) { // malformed, or a number past the largest double
        return false;
    }
    return !repeated;
}

// The document's value is the one the thorough parser reads, of the same kind, down to
// whether a number is whole and signed; and its own text reads as that value, so that a
// message can show it.
void ExpectSame(const JsonValue& v, const Json& parsed, const std::string& text) {
    EXPECT_EQ(Json::parse(v.Raw()), parsed) << text;
    switch (v.kind()) {
    case JsonValue::Kind::Null:
        EXPECT_TRUE(parsed.is_null()) << text;
        break;
    case JsonValue::Kind::Boolean:
        EXPECT_EQ(parsed, Json(v.BooleanValue())) << text;
        break;
    case JsonValue::Kind::String:
        EXPECT_EQ(parsed, Json(std::string(v.Text()))) << text;
        break;
    case JsonValue::Kind::Number:
        EXPECT_EQ(v.Number() == JsonValue::NumberKind::Unsigned, parsed.is_number_unsigned())
            << text;
        EXPECT_EQ(v.Number() != JsonValue::NumberKind::Other, parsed.is_number_integer()) << text;
        if (parsed.is_number_unsigned()) {
            EXPECT_EQ(v.UnsignedValue(), parsed.get<std::uint64_t>()) << text;
        } else if (parsed.is_number_integer()) {
            EXPECT_EQ(v.SignedValue(), parsed.get<std::int64_t>()) << text;
        }
        break;
    case JsonValue::Kind::Array:
    case JsonValue::Kind::Object:
        ASSERT_EQ(v.IsObject(), parsed.is_object()) << text;
        ASSERT_EQ(v.IsArray(), parsed.is_array()) << text;
        ASSERT_EQ(v.Size(), parsed.size()) << text;
        auto item = parsed.begin();
        for (const JsonValue& child : v.Items()) {
            if (v.IsObject()) {
                EXPECT_EQ(child.Key(), item.key()) << text;
                EXPECT_EQ(v.Find(child.Key()), child) << text;
            }
            ExpectSame(child, *item++, text);
        }
        break;
    }
}

TEST(JsonDocument, TakesWhatAThoroughParserTakesAndReadsTheSameValues) {
    int taken = 0;
    int refused = 0;
    for (std::uint32_t seed = 1; seed <= 3000; ++seed) {
        RandomDocument random(seed);
        const std::string whole = random.Make();
        for (const std::string& text : {whole, random.Break(whole)}) {
            const std::optional<JsonDocument> document = JsonDocument::Parse(text);
            ASSERT_EQ(document.has_value(), ParserTakes(text)) << text;
            if (document) {
                ++taken;
                ExpectSame(document->Root(), Json::parse(text), text);
            } else {
                ++refused;
            }
        }
    }
    EXPECT_GT(taken, 2000);
    EXPECT_GT(refused, 1000);
}

} // namespace
} // namespace qb::simulated::detail
