#include "platform/simulated/json_document.h"

#include "platform/simulated/text.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <tuple>

namespace qb::simulated::detail {

namespace {

// The escapes of one character after a backslash, and the characters they stand for.
constexpr std::string_view kEscapes = "\"\\/bfnrt";
constexpr std::string_view kEscaped = "\"\\/\b\f\n\r\t";

} // namespace

std::span<const JsonValue> JsonValue::Items() const {
    return Size() == 0 ? std::span<const JsonValue>()
                       : std::span<const JsonValue>(data_.first, length_);
}

const JsonValue* JsonValue::Find(std::string_view key) const {
    for (const JsonValue& member : Items())
        if (member.Key() == key)
            return &member;
    return nullptr;
}

// Reads one document. Containers are kept open on a stack of their own; the values read
// so far wait on another, and a container that closes moves its items, which lie on top
// of that stack, into the document, all together. So the parser never recurses, however
// deep the document nests.
class JsonParser {
public:
    explicit JsonParser(std::string_view text) : text_(text) {}

    std::optional<JsonDocument> Parse() {
        constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
        if (text_.size() > std::numeric_limits<std::uint32_t>::max())
            return std::nullopt; // its lengths would not fit; no machine is that large
        if (text_.substr(0, kByteOrderMark.size()) == kByteOrderMark)
            at_ = kByteOrderMark.size();
        // Room for as many values as there are separators, which bounds their number: the
        // array then never grows and moves while it is filled.
        std::size_t separators = 1;
        for (const char c : text_)
            separators += static_cast<unsigned>(c == ',') | static_cast<unsigned>(c == '[') |
                          static_cast<unsigned>(c == '{');
        document_.values_.reserve(separators);
        document_.values_.emplace_back(); // the root's place
        if (!Document())
            return std::nullopt;
        document_.values_.front() = pending_.front();
        // The items were placed by index while the array grew; now it stays as it is.
        for (JsonValue& value : document_.values_)
            if (value.Size() != 0)
                value.data_.first = document_.values_.data() + value.data_.firstIndex;
        return std::move(document_);
    }

private:
    struct Open {
        std::size_t firstPending; // where its items begin on the stack of values
        std::size_t start;        // its opening bracket in the text
    };

    bool Document() {
        if (!Value({}))
            return false;
        while (!open_.empty()) {
            SkipBlanks();
            const Open& open = open_.back();
            const bool object = pending_[open.firstPending - 1].kind_ == JsonValue::Kind::Object;
            if (Peek() == (object ? '}' : ']')) {
                if (!Close())
                    return false;
                continue;
            }
            if (pending_.size() > open.firstPending) {
                if (Peek() != ',')
                    return false;
                ++at_;
                SkipBlanks();
            }
            std::string_view key;
            if (object) {
                if (Peek() != '"' || !String(key))
                    return false;
                SkipBlanks();
                if (Peek() != ':')
                    return false;
                ++at_;
            }
            if (!Value(key))
                return false;
        }
        return End();
    }

    // Reads a value, the member `key` of an object or an item; a container is opened.
    bool Value(std::string_view key) {
        SkipBlanks();
        const char c = Peek();
        JsonValue value;
        value.key_ = key.data();
        value.keyLength_ = static_cast<std::uint32_t>(key.size());
        if (c == '{' || c == '[') {
            value.kind_ = c == '{' ? JsonValue::Kind::Object : JsonValue::Kind::Array;
            pending_.push_back(value);
            open_.push_back(Open{pending_.size(), at_});
            ++at_;
            return true;
        }
        if (!Scalar(value))
            return false;
        pending_.push_back(value);
        return true;
    }

    // Closes the innermost container at its closing bracket.
    bool Close() {
        const Open open = open_.back();
        JsonValue& container = pending_[open.firstPending - 1];
        ++at_;
        open_.pop_back();
        const std::size_t count = pending_.size() - open.firstPending;
        if (count > std::numeric_limits<std::uint32_t>::max())
            return false;
        if (container.kind_ == JsonValue::Kind::Object && RepeatsAKey(open.firstPending))
            return false;
        container.length_ = static_cast<std::uint32_t>(count);
        container.raw_ = text_.data() + open.start;
        container.rawLength_ = static_cast<std::uint32_t>(at_ - open.start);
        if (count != 0) {
            container.data_.firstIndex = document_.values_.size();
            document_.values_.insert(
                document_.values_.end(),
                pending_.begin() + static_cast<std::ptrdiff_t>(open.firstPending), pending_.end());
            pending_.resize(open.firstPending);
        }
        return true;
    }

    bool RepeatsAKey(std::size_t firstPending) {
        const std::size_t count = pending_.size() - firstPending;
        if (count < 2)
            return false;
        if (count <= 16) {
            for (std::size_t i = firstPending; i < pending_.size(); ++i)
                for (std::size_t j = i + 1; j < pending_.size(); ++j)
                    if (pending_[i].Key() == pending_[j].Key())
                        return true;
            return false;
        }
        keys_.clear();
        for (std::size_t i = firstPending; i < pending_.size(); ++i)
            keys_.push_back(pending_[i].Key());
        std::sort(keys_.begin(), keys_.end());
        return std::adjacent_find(keys_.begin(), keys_.end()) != keys_.end();
    }

    // Nothing but blanks may follow the document's value.
    bool End() {
        SkipBlanks();
        return at_ == text_.size();
    }

    char Peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }

    void SkipBlanks() {
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
                return;
            ++at_;
        }
    }

    bool Scalar(JsonValue& value) {
        const std::size_t start = at_;
        const char c = Peek();
        bool ok = false;
        if (c == '"') {
            value.kind_ = JsonValue::Kind::String;
            std::string_view text;
            ok = String(text);
            value.data_.text = text.data();
            value.length_ = static_cast<std::uint32_t>(text.size());
        } else if (c == 't' || c == 'f' || c == 'n') {
            ok = Literal(value);
        } else {
            value.kind_ = JsonValue::Kind::Number;
            ok = NumberValue(value);
        }
        value.raw_ = text_.data() + start;
        value.rawLength_ = static_cast<std::uint32_t>(at_ - start);
        return ok;
    }

    bool Literal(JsonValue& value) {
        for (const auto& [word, kind, truth] :
             {std::tuple{std::string_view("true"), JsonValue::Kind::Boolean, 1},
              std::tuple{std::string_view("false"), JsonValue::Kind::Boolean, 0},
              std::tuple{std::string_view("null"), JsonValue::Kind::Null, 0}}) {
            if (text_.substr(at_, word.size()) == word) {
                value.kind_ = kind;
                value.data_.u = static_cast<std::uint64_t>(truth);
                at_ += word.size();
                return true;
            }
        }
        return false;
    }

    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    bool NumberValue(JsonValue& value) {
        const std::size_t start = at_;
        const bool negative = Peek() == '-';
        if (negative)
            ++at_;
        if (!IsDigit(Peek()))
            return false;
        std::uint64_t whole = 0;
        bool fits = true;
        if (Peek() == '0') {
            ++at_;
        } else {
            while (IsDigit(Peek())) {
                const auto digit = static_cast<std::uint64_t>(Peek() - '0');
                if (whole > (std::numeric_limits<std::uint64_t>::max() - digit) / 10)
                    fits = false;
                whole = whole * 10 + digit;
                ++at_;
            }
        }
        bool wholeNumber = true;
        if (Peek() == '.') {
            ++at_;
            if (!IsDigit(Peek()))
                return false;
            while (IsDigit(Peek()))
                ++at_;
            wholeNumber = false;
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++at_;
            if (Peek() == '+' || Peek() == '-')
                ++at_;
            if (!IsDigit(Peek()))
                return false;
            while (IsDigit(Peek()))
                ++at_;
            wholeNumber = false;
        }
        value.numberKind_ = JsonValue::NumberKind::Other;
        // A number past the largest double is not taken: it could not be held.
        if ((!wholeNumber || !fits) &&
            !std::isfinite(
                std::strtod(std::string(text_.substr(start, at_ - start)).c_str(), nullptr)))
            return false;
        if (wholeNumber && fits && !negative) {
            value.numberKind_ = JsonValue::NumberKind::Unsigned;
            value.data_.u = whole;
        } else if (wholeNumber && fits &&
                   whole <=
                       static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1) {
            value.numberKind_ = JsonValue::NumberKind::Signed;
            value.data_.i = whole == 0 ? 0 : -static_cast<std::int64_t>(whole - 1) - 1;
        }
        return true;
    }

    // A string at the current quote: its text, escapes resolved.
    bool String(std::string_view& meant) {
        const std::size_t start = ++at_;
        bool escaped = false;
        while (at_ < text_.size()) {
            const auto c = static_cast<unsigned char>(text_[at_]);
            if (c == '"') {
                const std::string_view raw = text_.substr(start, at_ - start);
                ++at_;
                meant = escaped ? Unescape(raw) : raw;
                return true;
            }
            if (c < 0x20)
                return false;
            if (c == '\\') {
                escaped = true;
                if (!Escape())
                    return false;
                continue;
            }
            if (c < 0x80) {
                ++at_;
                continue;
            }
            if (!Utf8Sequence())
                return false;
        }
        return false;
    }

    // Checks one escape at the current backslash and steps over it.
    bool Escape() {
        ++at_;
        const char c = Peek();
        if (c == 'u') {
            const std::optional<std::uint32_t> unit = HexUnit(at_ + 1);
            if (!unit)
                return false;
            at_ += 5;
            if (*unit >= 0xDC00 && *unit <= 0xDFFF)
                return false; // a low surrogate alone
            if (*unit >= 0xD800 && *unit <= 0xDBFF) {
                if (text_.substr(at_, 2) != "\\u")
                    return false;
                const std::optional<std::uint32_t> low = HexUnit(at_ + 2);
                if (!low || *low < 0xDC00 || *low > 0xDFFF)
                    return false;
                at_ += 6;
            }
            return true;
        }
        if (kEscapes.find(c) != std::string_view::npos) {
            ++at_;
            return true;
        }
        return false;
    }

    std::optional<std::uint32_t> HexUnit(std::size_t from) const {
        if (from + 4 > text_.size())
            return std::nullopt;
        std::uint32_t unit = 0;
        for (std::size_t i = from; i < from + 4; ++i) {
            const char c = text_[i];
            const int digit = IsDigit(c)               ? c - '0'
                              : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                              : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                       : -1;
            if (digit < 0)
                return std::nullopt;
            unit = unit * 16 + static_cast<std::uint32_t>(digit);
        }
        return unit;
    }

    // Steps over one well-formed UTF-8 sequence of two to four bytes.
    bool Utf8Sequence() {
        const auto byte = [&](std::size_t i) {
            return at_ + i < text_.size() ? static_cast<unsigned char>(text_[at_ + i]) : 0u;
        };
        const unsigned lead = byte(0);
        const auto in = [](unsigned b, unsigned low, unsigned high) {
            return b >= low && b <= high;
        };
        std::size_t length = 0;
        if (in(lead, 0xC2, 0xDF))
            length = 2;
        else if (lead == 0xE0)
            length = in(byte(1), 0xA0, 0xBF) ? 3 : 0;
        else if (lead == 0xED)
            length = in(byte(1), 0x80, 0x9F) ? 3 : 0;
        else if (in(lead, 0xE1, 0xEF))
            length = 3;
        else if (lead == 0xF0)
            length = in(byte(1), 0x90, 0xBF) ? 4 : 0;
        else if (lead == 0xF4)
            length = in(byte(1), 0x80, 0x8F) ? 4 : 0;
        else if (in(lead, 0xF1, 0xF3))
            length = 4;
        if (length == 0)
            return false;
        for (std::size_t i = 1; i < length; ++i)
            if (!in(byte(i), 0x80, 0xBF))
                return false;
        at_ += length;
        return true;
    }

    // The text of a string whose escapes were checked already.
    std::string_view Unescape(std::string_view raw) {
        std::string& out = document_.unescaped_.emplace_back();
        out.reserve(raw.size());
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '\\') {
                out.push_back(raw[i]);
                continue;
            }
            const char c = raw[++i];
            switch (c) {
            case 'u': {
                std::uint32_t unit = Hex(raw.substr(i + 1, 4));
                i += 4;
                if (unit >= 0xD800 && unit <= 0xDBFF) {
                    const std::uint32_t low = Hex(raw.substr(i + 3, 4));
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    i += 6;
                }
                AppendUtf8(out, unit);
                break;
            }
            default:
                out.push_back(kEscaped[kEscapes.find(c)]);
                break;
            }
        }
        return out;
    }

    static std::uint32_t Hex(std::string_view four) {
        std::uint32_t unit = 0;
        for (const char c : four)
            unit = unit * 16 + static_cast<std::uint32_t>(IsDigit(c) ? c - '0'
                                                          : c >= 'a' ? c - 'a' + 10
                                                                     : c - 'A' + 10);
        return unit;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    JsonDocument document_;
    std::vector<JsonValue> pending_;
    std::vector<Open> open_;
    std::vector<std::string_view> keys_;
};

std::optional<JsonDocument> JsonDocument::Parse(std::string_view text) {
    return JsonParser(text).Parse();
}

} // namespace qb::simulated::detail
