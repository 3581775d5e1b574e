#pragma once
// A JSON document read in one pass, for the machine file. A machine of ten thousand
// accounts is a file of some megabytes, which a general parser turns into hundreds of
// thousands of separate allocations; here every value is one entry of a single array and
// points into the text, which must outlive the document. Only strings with escapes get
// storage of their own.
//
// It takes exactly the documents that are valid JSON (RFC 8259, UTF-8, an optional byte
// order mark before the value) and in which no object has the same key twice. It says
// nothing about why it refused a text: whoever needs the reason asks a thorough parser.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qb::simulated::detail {

class JsonValue {
public:
    enum class Kind : std::uint8_t { Null, Boolean, Number, String, Array, Object };
    // How a number reads: a whole number that fits 64 bits, without sign or with one, or
    // anything else (a fraction, an exponent, a whole number too large).
    enum class NumberKind : std::uint8_t { Unsigned, Signed, Other };

    Kind kind() const { return kind_; }
    bool IsNull() const { return kind_ == Kind::Null; }
    bool IsString() const { return kind_ == Kind::String; }
    bool IsArray() const { return kind_ == Kind::Array; }
    bool IsObject() const { return kind_ == Kind::Object; }

    // The value as it is written in the document.
    std::string_view Raw() const { return {raw_, rawLength_}; }
    // A string's text, its escapes resolved (UTF-8).
    std::string_view Text() const {
        return kind_ == Kind::String ? std::string_view(data_.text, length_) : std::string_view();
    }
    // Of a member of an object: its key, escapes resolved.
    std::string_view Key() const { return {key_, keyLength_}; }
    bool BooleanValue() const { return kind_ == Kind::Boolean && data_.u != 0; }
    NumberKind Number() const { return numberKind_; }
    std::uint64_t UnsignedValue() const { return data_.u; }
    std::int64_t SignedValue() const { return data_.i; }

    // The items of an array, or the members of an object in the order written.
    std::span<const JsonValue> Items() const;
    std::size_t Size() const { return IsArray() || IsObject() ? length_ : 0; }
    const JsonValue& operator[](std::size_t index) const { return Items()[index]; }
    // The member of an object with that key, or null.
    const JsonValue* Find(std::string_view key) const;

private:
    friend class JsonDocument;
    friend class JsonParser;

    // Forty bytes: a machine of ten thousand accounts has a hundred thousand values.
    Kind kind_ = Kind::Null;
    NumberKind numberKind_ = NumberKind::Other;
    std::uint32_t length_ = 0; // of a string its text's, of an array or object its items'
    std::uint32_t rawLength_ = 0;
    std::uint32_t keyLength_ = 0;
    const char* raw_ = nullptr;
    const char* key_ = nullptr;
    union {
        std::uint64_t u;        // a whole number, or a truth value
        std::int64_t i;         // a whole number with a sign
        const char* text;       // a string's text
        const JsonValue* first; // an array's or an object's first item
        std::size_t firstIndex; // the same while the document is being read
    } data_{0};
};

class JsonDocument {
public:
    // The document of `text`, or nothing when `text` is not a valid document as above.
    static std::optional<JsonDocument> Parse(std::string_view text);

    JsonDocument(JsonDocument&&) noexcept = default;
    JsonDocument& operator=(JsonDocument&&) noexcept = default;
    // Values point into each other and into the text kept here: a copy would point back.
    JsonDocument(const JsonDocument&) = delete;
    JsonDocument& operator=(const JsonDocument&) = delete;
    ~JsonDocument() = default;

    const JsonValue& Root() const { return values_.front(); }

private:
    JsonDocument() = default;
    friend class JsonParser;

    // The root first, then each container's items together, in the order they closed.
    std::vector<JsonValue> values_;
    std::deque<std::string> unescaped_; // stable: values point into it
};

} // namespace qb::simulated::detail
