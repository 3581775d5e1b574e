#pragma once
// A JSON document read in one pass, for the machine file. A machine of ten thousand
// accounts is a file of some megabytes with a hundred thousand values, which a general
// parser turns into as many separate allocations. Here the document keeps, in one array,
// sixteen bytes for each value: where it is in the text, which must outlive the document,
// and how far it reaches; everything else a value is asked for is read from the text when
// it is asked for. Only strings with escapes get storage of their own.
//
// It takes exactly the documents that are valid JSON (RFC 8259, UTF-8, an optional byte
// order mark before the value) and in which no object has the same key twice. It says
// nothing about why it refused a text: whoever needs the reason asks a thorough parser.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qb::simulated::detail {

class JsonDocument;
class JsonItems;

// One value of a document, as a small handle that is passed by value; it stays valid as
// long as its document, which it must not outlive.
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
    std::string_view Raw() const;
    // A string's text, its escapes resolved (UTF-8).
    std::string_view Text() const;
    // Of a member of an object: its key, escapes resolved.
    std::string_view Key() const;
    bool BooleanValue() const;
    NumberKind Number() const;
    // Of a number whose NumberKind says so.
    std::uint64_t UnsignedValue() const;
    std::int64_t SignedValue() const;

    // The items of an array, or the members of an object in the order written.
    JsonItems Items() const;
    std::size_t Size() const;
    // The member of an object with that key, or none.
    std::optional<JsonValue> Find(std::string_view key) const;

    // The same value of the same document.
    bool operator==(const JsonValue&) const = default;

private:
    friend class JsonDocument;
    friend class JsonItems;
    JsonValue(const JsonDocument& document, std::uint32_t node);

    const JsonDocument* document_;
    std::uint32_t node_; // its entry in the document's array
    Kind kind_;
};

class JsonItems {
public:
    class Iterator {
    public:
        JsonValue operator*() const { return JsonValue(*document_, node_); }
        Iterator& operator++();
        bool operator==(const Iterator& other) const { return left_ == other.left_; }

    private:
        friend class JsonItems;
        Iterator(const JsonDocument& document, std::uint32_t node, std::uint32_t left)
            : document_(&document), node_(node), left_(left) {}

        const JsonDocument* document_;
        std::uint32_t node_;
        std::uint32_t left_; // the items from here to the end
    };

    Iterator begin() const { return Iterator(*document_, first_, count_); }
    Iterator end() const { return Iterator(*document_, first_, 0); }

private:
    friend class JsonValue;
    JsonItems(const JsonDocument& document, std::uint32_t first, std::uint32_t count)
        : document_(&document), first_(first), count_(count) {}

    const JsonDocument* document_;
    std::uint32_t first_;
    std::uint32_t count_;
};

class JsonDocument {
public:
    // The document of `text`, or nothing when `text` is not a valid document as above.
    static std::optional<JsonDocument> Parse(std::string_view text);

    JsonDocument(JsonDocument&&) noexcept = default;
    JsonDocument& operator=(JsonDocument&&) noexcept = default;
    // Values point into the document: a copy would give values of another document.
    JsonDocument(const JsonDocument&) = delete;
    JsonDocument& operator=(const JsonDocument&) = delete;
    ~JsonDocument() = default;

    // Valid while the document stays where it is.
    JsonValue Root() const { return JsonValue(*this, 0); }

private:
    JsonDocument() = default;
    friend class JsonParser;
    friend class JsonValue;
    friend class JsonItems;

    // Each value in the order it begins in the text, so that a container's items follow
    // it, each after everything the one before it holds.
    struct Node {
        std::uint32_t at;    // where it begins in the text
        std::uint32_t span;  // an array's or object's nodes, its own and its items' all
                             // the way down; any other value's length in the text
        std::uint32_t keyAt; // of an object's member: its key's opening quote; else 0
        std::uint32_t extra; // an array's or object's items; a string's with escapes:
                             // 1 + the index of its text in unescaped_; a whole number's
                             // from 0 to kSmallNumbers - 1: 1 + the number; else 0
    };
    // The numbers a node holds itself, as most of a machine file's are: rids, flag words,
    // times.
    static constexpr std::uint64_t kSmallNumbers = 0xFFFFFFFF;

    static bool IsContainer(char first) { return first == '{' || first == '['; }
    const Node& NodeAt(std::uint32_t node) const { return nodes_[node]; }
    std::uint32_t Following(std::uint32_t node) const {
        return node + (IsContainer(text_[nodes_[node].at]) ? nodes_[node].span : 1);
    }
    // Where the container at `at` ends (past its closing bracket).
    std::size_t ContainerEnd(std::size_t at) const;

    std::string_view text_;
    std::vector<Node> nodes_;
    std::deque<std::string> unescaped_; // stable: values point into it
    // The keys with escapes: where each is in the text and 1 + its text's index, by place.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> escapedKeys_;
};

} // namespace qb::simulated::detail
