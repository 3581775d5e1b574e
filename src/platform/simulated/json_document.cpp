#include "platform/simulated/json_document.h"

#include "platform/simulated/text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace qb::simulated::detail {

namespace {

// The escapes of one character after a backslash, and the characters they stand for.
constexpr std::string_view kEscapes = "\"\\/bfnrt";
constexpr std::string_view kEscaped = "\"\\/\b\f\n\r\t";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The bytes that stand for themselves in a string: printable ASCII but the quote and the
// backslash.
constexpr auto kPlain = [] {
    std::array<bool, 256> plain{};
    for (std::size_t c = 0x20; c < 0x80; ++c)
        plain[c] = c != '"' && c != '\\';
    return plain;
}();

// What the text of a number says before any fraction or exponent: its sign and the
// magnitude of its whole part, whether that fits 64 bits, and whether nothing follows it.
struct WholePart {
    bool negative = false;
    std::uint64_t magnitude = 0;
    bool fits = true;
    bool alone = true;
};

WholePart ReadWholePart(std::string_view number) {
    WholePart part;
    std::size_t i = 0;
    part.negative = !number.empty() && number[0] == '-';
    if (part.negative)
        ++i;
    for (; i < number.size() && IsDigit(number[i]); ++i) {
        const auto digit = static_cast<std::uint64_t>(number[i] - '0');
        if (part.magnitude > (std::numeric_limits<std::uint64_t>::max() - digit) / 10)
            part.fits = false;
        part.magnitude = part.magnitude * 10 + digit;
    }
    part.alone = i == number.size();
    return part;
}

// The length of the string whose opening quote is at `text`'s start, both quotes included,
// and whether it has escapes. The string was checked when the document was read.
std::pair<std::size_t, bool> StringLength(std::string_view text) {
    bool escaped = false;
    std::size_t i = 1;
    while (text[i] != '"') {
        if (text[i] == '\\') {
            escaped = true;
            ++i;
        }
        ++i;
    }
    return {i + 1, escaped};
}

} // namespace

// --- Values ---

JsonValue::JsonValue(const JsonDocument& document, std::uint32_t node)
    : document_(&document), node_(node) {
    switch (document.text_[document.NodeAt(node).at]) {
    case '{':
        kind_ = Kind::Object;
        break;
    case '[':
        kind_ = Kind::Array;
        break;
    case '"':
        kind_ = Kind::String;
        break;
    case 't':
    case 'f':
        kind_ = Kind::Boolean;
        break;
    case 'n':
        kind_ = Kind::Null;
        break;
    default:
        kind_ = Kind::Number;
        break;
    }
}

std::string_view JsonValue::Raw() const {
    const JsonDocument::Node& node = document_->NodeAt(node_);
    const std::size_t length =
        IsArray() || IsObject() ? document_->ContainerEnd(node.at) - node.at : node.span;
    return document_->text_.substr(node.at, length);
}

std::string_view JsonValue::Text() const {
    if (!IsString())
        return {};
    const JsonDocument::Node& node = document_->NodeAt(node_);
    if (node.extra != 0)
        return document_->unescaped_[node.extra - 1];
    return document_->text_.substr(node.at + 1, node.span - 2);
}

std::string_view JsonValue::Key() const {
    const std::uint32_t keyAt = document_->NodeAt(node_).keyAt;
    if (keyAt == 0)
        return {};
    const auto [length, escaped] = StringLength(document_->text_.substr(keyAt));
    if (!escaped)
        return document_->text_.substr(keyAt + 1, length - 2);
    const auto& keys = document_->escapedKeys_;
    const auto found = std::lower_bound(keys.begin(), keys.end(), std::pair(keyAt, 0u));
    return document_->unescaped_[found->second - 1];
}

bool JsonValue::BooleanValue() const {
    return kind() == Kind::Boolean && document_->text_[document_->NodeAt(node_).at] == 't';
}

JsonValue::NumberKind JsonValue::Number() const {
    if (kind_ != Kind::Number)
        return NumberKind::Other;
    if (document_->NodeAt(node_).extra != 0)
        return NumberKind::Unsigned;
    const WholePart part = ReadWholePart(Raw());
    if (!part.alone || !part.fits)
        return NumberKind::Other;
    if (!part.negative)
        return NumberKind::Unsigned;
    return part.magnitude <=
                   static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1
               ? NumberKind::Signed
               : NumberKind::Other;
}

std::uint64_t JsonValue::UnsignedValue() const {
    const std::uint32_t small = document_->NodeAt(node_).extra;
    return small != 0 ? small - 1 : ReadWholePart(Raw()).magnitude;
}

std::int64_t JsonValue::SignedValue() const {
    const std::uint64_t magnitude = ReadWholePart(Raw()).magnitude;
    return magnitude == 0 ? 0 : -static_cast<std::int64_t>(magnitude - 1) - 1;
}

JsonItems JsonValue::Items() const {
    return JsonItems(*document_, node_ + 1, static_cast<std::uint32_t>(Size()));
}

std::size_t JsonValue::Size() const {
    return IsArray() || IsObject() ? document_->NodeAt(node_).extra : 0;
}

std::optional<JsonValue> JsonValue::Find(std::string_view key) const {
    for (const JsonValue member : Items())
        if (member.Key() == key)
            return member;
    return std::nullopt;
}

JsonItems::Iterator& JsonItems::Iterator::operator++() {
    node_ = document_->Following(node_);
    --left_;
    return *this;
}

std::size_t JsonDocument::ContainerEnd(std::size_t at) const {
    std::size_t depth = 0;
    for (std::size_t i = at;; ++i) {
        const char c = text_[i];
        if (c == '"') {
            i += StringLength(text_.substr(i)).first - 1;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if ((c == '}' || c == ']') && --depth == 0) {
            return i + 1;
        }
    }
}

// --- Reading ---

// Reads one document. Containers are kept open on a stack of their own, and the keys of
// the open objects on another, so the parser never recurses, however deep the document
// nests. Each value's entry is written when the value begins; a container's is completed
// when it closes.
class JsonParser {
public:
    explicit JsonParser(std::string_view text) : text_(text) { document_.text_ = text; }

    std::optional<JsonDocument> Parse() {
        constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
        if (text_.size() >= std::numeric_limits<std::uint32_t>::max())
            return std::nullopt; // its places would not fit; no machine is that large
        if (text_.substr(0, kByteOrderMark.size()) == kByteOrderMark)
            at_ = kByteOrderMark.size();
        // Room for as many values as there are separators, which bounds their number: the
        // array then never grows and moves while it is filled.
        std::size_t separators = 1;
        for (const char c : text_)
            separators += static_cast<unsigned>(c == ',') | static_cast<unsigned>(c == '[') |
                          static_cast<unsigned>(c == '{');
        document_.nodes_.reserve(separators);
        if (!Document())
            return std::nullopt;
        return std::move(document_);
    }

private:
    struct Open {
        std::uint32_t node;   // its entry
        std::uint32_t items;  // so far
        std::size_t firstKey; // where its keys begin on the stack of keys
        bool object;
    };

    bool Document() {
        if (!Value(0))
            return false;
        while (!open_.empty()) {
            SkipBlanks();
            Open& open = open_.back();
            if (Peek() == (open.object ? '}' : ']')) {
                if (!Close())
                    return false;
                continue;
            }
            if (open.items != 0) {
                if (Peek() != ',')
                    return false;
                ++at_;
                SkipBlanks();
            }
            ++open.items; // before the item opens a container of its own
            std::uint32_t keyAt = 0;
            if (open.object) {
                keyAt = Offset(at_);
                std::string_view key;
                std::uint32_t unescaped = 0;
                if (Peek() != '"' || !String(key, unescaped))
                    return false;
                if (unescaped != 0)
                    document_.escapedKeys_.emplace_back(keyAt, unescaped);
                keys_.push_back(key);
                SkipBlanks();
                if (Peek() != ':')
                    return false;
                ++at_;
            }
            if (!Value(keyAt))
                return false;
        }
        return End();
    }

    // Reads a value, an item or the member whose key is at `keyAt`; a container is opened.
    bool Value(std::uint32_t keyAt) {
        SkipBlanks();
        JsonDocument::Node node{Offset(at_), 0, keyAt, 0};
        const char c = Peek();
        if (JsonDocument::IsContainer(c)) {
            open_.push_back(Open{Offset(document_.nodes_.size()), 0, keys_.size(), c == '{'});
            document_.nodes_.push_back(node);
            ++at_;
            return true;
        }
        if (!Scalar(node))
            return false;
        document_.nodes_.push_back(node);
        return true;
    }

    // Closes the innermost container at its closing bracket.
    bool Close() {
        const Open open = open_.back();
        ++at_;
        open_.pop_back();
        if (open.object && RepeatsAKey(open.firstKey))
            return false;
        keys_.resize(open.firstKey);
        JsonDocument::Node& container = document_.nodes_[open.node];
        container.span = Offset(document_.nodes_.size() - open.node);
        container.extra = open.items;
        return true;
    }

    bool RepeatsAKey(std::size_t firstKey) {
        const std::size_t count = keys_.size() - firstKey;
        if (count < 2)
            return false;
        if (count <= 16) {
            for (std::size_t i = firstKey; i < keys_.size(); ++i)
                for (std::size_t j = i + 1; j < keys_.size(); ++j)
                    if (keys_[i] == keys_[j])
                        return true;
            return false;
        }
        sorted_.assign(keys_.begin() + static_cast<std::ptrdiff_t>(firstKey), keys_.end());
        std::sort(sorted_.begin(), sorted_.end());
        return std::adjacent_find(sorted_.begin(), sorted_.end()) != sorted_.end();
    }

    // Nothing but blanks may follow the document's value.
    bool End() {
        SkipBlanks();
        return at_ == text_.size();
    }

    static std::uint32_t Offset(std::size_t at) { return static_cast<std::uint32_t>(at); }

    char Peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }

    void SkipBlanks() {
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
                return;
            ++at_;
        }
    }

    bool Scalar(JsonDocument::Node& node) {
        const std::size_t start = at_;
        const char c = Peek();
        bool ok = false;
        if (c == '"') {
            std::string_view text;
            ok = String(text, node.extra);
        } else if (c == 't' || c == 'f' || c == 'n') {
            ok = Literal();
        } else {
            ok = NumberValue(node.extra);
        }
        node.span = Offset(at_ - start);
        return ok;
    }

    bool Literal() {
        for (const std::string_view word : {"true", "false", "null"}) {
            if (text_.substr(at_, word.size()) == word) {
                at_ += word.size();
                return true;
            }
        }
        return false;
    }

    // A number at the current place; `small` becomes 1 + a whole number that the node
    // holds itself (see the document's kSmallNumbers), else 0.
    bool NumberValue(std::uint32_t& small) {
        const std::size_t start = at_;
        if (Peek() == '-')
            ++at_;
        if (!IsDigit(Peek()))
            return false;
        if (Peek() == '0') {
            ++at_;
        } else {
            while (IsDigit(Peek()))
                ++at_;
        }
        if (Peek() == '.') {
            ++at_;
            if (!IsDigit(Peek()))
                return false;
            while (IsDigit(Peek()))
                ++at_;
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++at_;
            if (Peek() == '+' || Peek() == '-')
                ++at_;
            if (!IsDigit(Peek()))
                return false;
            while (IsDigit(Peek()))
                ++at_;
        }
        // A number past the largest double is not taken: it could not be held.
        const std::string_view number = text_.substr(start, at_ - start);
        const WholePart part = ReadWholePart(number);
        if (part.alone && part.fits && !part.negative &&
            part.magnitude < JsonDocument::kSmallNumbers)
            small = static_cast<std::uint32_t>(part.magnitude + 1);
        return (part.alone && part.fits) ||
               std::isfinite(std::strtod(std::string(number).c_str(), nullptr));
    }

    // A string at the current quote: its text, escapes resolved; and 1 + the index of that
    // text among the document's unescaped ones, or 0 when it had no escapes.
    bool String(std::string_view& meant, std::uint32_t& unescaped) {
        const std::size_t start = ++at_;
        bool escaped = false;
        while (at_ < text_.size()) {
            // Most of a machine file's strings are printable ASCII without escapes.
            while (at_ < text_.size() && kPlain[static_cast<unsigned char>(text_[at_])])
                ++at_;
            if (at_ == text_.size())
                break;
            const auto c = static_cast<unsigned char>(text_[at_]);
            if (c == '"') {
                const std::string_view raw = text_.substr(start, at_ - start);
                ++at_;
                meant = escaped ? Unescape(raw) : raw;
                unescaped = escaped ? Offset(document_.unescaped_.size()) : 0;
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
    std::vector<Open> open_;
    std::vector<std::string_view> keys_; // of the open objects' members, in order
    std::vector<std::string_view> sorted_;
};

std::optional<JsonDocument> JsonDocument::Parse(std::string_view text) {
    return JsonParser(text).Parse();
}

} // namespace qb::simulated::detail
