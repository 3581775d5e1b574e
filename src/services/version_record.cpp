#include "services/version_record.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

namespace qb::services {

namespace {

constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr std::size_t kFixedInfoBytes = 52;
constexpr std::size_t kHeaderBytes = 6; // wLength, wValueLength, wType
constexpr std::uint16_t kTextValue = 1;

std::size_t Align4(std::size_t offset) {
    return (offset + 3) & ~std::size_t{3};
}

// One block: its key, where its value lies, and its children, all inside [start, end).
struct Block {
    std::wstring key;
    std::size_t valueStart = 0;
    std::size_t valueBytes = 0;
    bool textValue = false;
    std::size_t childrenStart = 0;
    std::size_t end = 0;
};

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint16_t Word(std::size_t at) const {
        return static_cast<std::uint16_t>(bytes_[at] | (bytes_[at + 1] << 8));
    }
    std::uint32_t Dword(std::size_t at) const {
        return Word(at) | (static_cast<std::uint32_t>(Word(at + 2)) << 16);
    }

    // The block at `start`, which must end by `limit`.
    std::optional<Block> ReadBlock(std::size_t start, std::size_t limit) const {
        if (limit > bytes_.size() || start > limit || limit - start < kHeaderBytes)
            return std::nullopt;
        const std::size_t length = Word(start);
        if (length < kHeaderBytes || length > limit - start)
            return std::nullopt;
        Block block;
        block.end = start + length;
        const std::uint16_t valueLength = Word(start + 2);
        block.textValue = Word(start + 4) == kTextValue;
        std::size_t at = start + kHeaderBytes;
        for (;; at += 2) {
            if (at + 2 > block.end)
                return std::nullopt; // a key without its terminating 0
            const std::uint16_t unit = Word(at);
            if (unit == 0)
                break;
            block.key.push_back(static_cast<wchar_t>(unit));
        }
        block.valueStart = std::min(Align4(at + 2), block.end);
        // A text value's length counts characters; a binary one's, bytes. Compilers do not
        // agree on the first, so a value is never taken to reach past its block.
        const std::size_t wanted = block.textValue ? 2u * valueLength : valueLength;
        block.valueBytes = std::min(wanted, block.end - block.valueStart);
        block.childrenStart = std::min(Align4(block.valueStart + block.valueBytes), block.end);
        return block;
    }

    // The children of `parent` up to the first that is damaged.
    std::vector<Block> Children(const Block& parent) const {
        std::vector<Block> children;
        for (std::size_t at = parent.childrenStart; at < parent.end;) {
            auto child = ReadBlock(at, parent.end);
            if (!child)
                break;
            at = Align4(child->end);
            children.push_back(std::move(*child));
        }
        return children;
    }

    // A text value, up to its first 0.
    std::wstring Text(const Block& block) const {
        std::wstring text;
        for (std::size_t at = block.valueStart; at + 2 <= block.valueStart + block.valueBytes;
             at += 2) {
            const std::uint16_t unit = Word(at);
            if (unit == 0)
                break;
            text.push_back(static_cast<wchar_t>(unit));
        }
        return text;
    }

private:
    std::span<const std::uint8_t> bytes_;
};

// A string table's key ("040904B0") against a translation, whatever the case of its digits.
bool NamesTranslation(std::wstring_view key, std::uint16_t language, std::uint16_t codePage) {
    static constexpr std::wstring_view digits = L"0123456789abcdef";
    const std::uint32_t wanted = (static_cast<std::uint32_t>(language) << 16) | codePage;
    if (key.size() != 8)
        return false;
    for (std::size_t i = 0; i < 8; ++i) {
        wchar_t c = key[i];
        if (c >= L'A' && c <= L'F')
            c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != digits[(wanted >> (4 * (7 - i))) & 0xF])
            return false;
    }
    return true;
}

} // namespace

std::optional<VersionRecord> ParseVersionRecord(std::span<const std::uint8_t> bytes) {
    const Reader reader(bytes);
    const auto root = reader.ReadBlock(0, bytes.size());
    if (!root || root->key != L"VS_VERSION_INFO")
        return std::nullopt;
    VersionRecord record;
    if (root->valueBytes >= kFixedInfoBytes &&
        reader.Dword(root->valueStart) == kFixedInfoSignature) {
        const std::uint32_t high = reader.Dword(root->valueStart + 8); // dwFileVersionMS
        const std::uint32_t low = reader.Dword(root->valueStart + 12); // dwFileVersionLS
        record.major = static_cast<std::uint16_t>(high >> 16);
        record.minor = static_cast<std::uint16_t>(high);
        record.build = static_cast<std::uint16_t>(low >> 16);
        record.privatePart = static_cast<std::uint16_t>(low);
    }

    std::vector<Block> tables;
    std::optional<std::pair<std::uint16_t, std::uint16_t>> translation;
    for (const Block& child : reader.Children(*root)) {
        if (child.key == L"StringFileInfo") {
            for (Block& table : reader.Children(child))
                tables.push_back(std::move(table));
        } else if (child.key == L"VarFileInfo") {
            for (const Block& var : reader.Children(child))
                if (var.key == L"Translation" && var.valueBytes >= 4 && !translation)
                    translation =
                        std::pair{reader.Word(var.valueStart), reader.Word(var.valueStart + 2)};
        }
    }
    const Block* chosen = tables.empty() ? nullptr : &tables.front();
    if (translation)
        for (const Block& table : tables)
            if (NamesTranslation(table.key, translation->first, translation->second)) {
                chosen = &table;
                break;
            }
    if (chosen != nullptr)
        for (const Block& text : reader.Children(*chosen))
            record.strings.emplace(text.key, reader.Text(text));
    return record;
}

} // namespace qb::services
