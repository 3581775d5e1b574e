// The machine file: a readable JSON document that a person can edit by hand. Reading it
// checks everything and names the file, the place and the problem of the first fault it
// finds; it never changes the file.

#include "platform/simulated/machine_state.h"

#include "platform/simulated/json_document.h"
#include "platform/simulated/text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <random>
#include <span>
#include <system_error>
#include <unordered_set>

namespace qb::simulated::detail {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::size_t HoursDigits = 2 * std::tuple_size_v<LogonHoursBytes>;

std::string HoursToHex(const LogonHoursBytes& hours) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t byte : hours) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 0x0F]);
    }
    return text;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string Quoted(std::wstring_view text) {
    return "\"" + WideToUtf8(text) + "\"";
}

std::string Child(const std::string& where, std::string_view key) {
    return where.empty() ? std::string(key) : where + "." + std::string(key);
}

std::string Item(const std::string& where, std::size_t index) {
    return where + "[" + std::to_string(index) + "]";
}

// Where a value is in the file ("accounts[2].name"), put into words only when a message
// needs them: a file of thousands of accounts has tens of thousands of places.
class Place {
public:
    // A place given in words; empty for the document itself.
    Place(const char* words = "") : words_(words) {}
    Place(const std::string& words) : words_(words) {}
    Place(const Place& parent, std::string_view key) : parent_(&parent), words_(key) {}
    Place(const Place& parent, std::size_t index)
        : parent_(&parent), index_(index), isItem_(true) {}

    std::string Words() const {
        if (parent_ == nullptr)
            return std::string(words_);
        return isItem_ ? Item(parent_->Words(), index_) : Child(parent_->Words(), words_);
    }

private:
    const Place* parent_ = nullptr;
    std::string_view words_;
    std::size_t index_ = 0;
    bool isItem_ = false;
};

// Checks a file's syntax and that no object has a key twice, without building values.
// It follows where it is ("accounts[2]") so that a repeated key can be shown in its object.
class SyntaxCheck final : public nlohmann::json_sax<Json> {
public:
    std::string repeatedKey;
    std::string repeatedWhere;
    std::string error;
    std::size_t errorByte = 0;

    bool null() override { return Value(); }
    bool boolean(bool) override { return Value(); }
    bool number_integer(number_integer_t) override { return Value(); }
    bool number_unsigned(number_unsigned_t) override { return Value(); }
    bool number_float(number_float_t, const string_t&) override { return Value(); }
    bool string(string_t&) override { return Value(); }
    bool binary(binary_t&) override { return Value(); }
    bool start_array(std::size_t) override { return Open(true); }
    bool end_array() override {
        frames_.pop_back();
        return true;
    }
    bool start_object(std::size_t) override { return Open(false); }
    bool key(string_t& name) override {
        frames_.back().keys.push_back(name);
        return true;
    }
    bool end_object() override {
        Frame& frame = frames_.back();
        std::vector<std::string>& names = frame.keys;
        std::sort(names.begin(), names.end());
        auto repeated = std::adjacent_find(names.begin(), names.end());
        if (repeated != names.end()) {
            repeatedKey = *repeated;
            repeatedWhere = frame.where;
            return false;
        }
        frames_.pop_back();
        return true;
    }
    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::detail::exception& e) override {
        errorByte = position;
        error = e.what();
        return false;
    }

private:
    struct Frame {
        bool array = false;
        std::size_t items = 0;         // of an array: the values so far
        std::string where;             // of the array or object itself
        std::vector<std::string> keys; // of an object: its keys so far, the last one current
    };

    // Counts a value of an array; the place of a value in an object is its key.
    bool Value() {
        if (!frames_.empty() && frames_.back().array)
            ++frames_.back().items;
        return true;
    }
    bool Open(bool array) {
        std::string where;
        if (!frames_.empty()) {
            Frame& parent = frames_.back();
            where = parent.array ? Item(parent.where, parent.items++)
                                 : Child(parent.where, parent.keys.back());
        }
        frames_.push_back(Frame{array, 0, std::move(where), {}});
        return true;
    }

    std::vector<Frame> frames_;
};

// Reads one machine file, remembering where it is so that every error can say so.
class Reader {
public:
    explicit Reader(const std::string& source) : source_(source) {}

    [[noreturn]] void Fail(const Place& place, const std::string& problem) const {
        const std::string where = place.Words();
        throw MachineFileError(source_ + ": " + (where.empty() ? "" : where + ": ") + problem);
    }

    JsonDocument Parse(std::string_view text) const {
        if (text.find_first_not_of(" \t\r\n") == std::string_view::npos)
            Fail("", "the file is empty; a machine file is a JSON object");
        if (std::optional<JsonDocument> document = JsonDocument::Parse(text))
            return std::move(*document);
        // Refused: a thorough parser says where and why. It finds syntax errors and keys
        // given twice, which it would otherwise keep the last of silently.
        SyntaxCheck check;
        if (!Json::sax_parse(text.begin(), text.end(), &check)) {
            if (!check.repeatedKey.empty())
                Fail(check.repeatedWhere,
                     "the field \"" + check.repeatedKey + "\" appears twice in one object");
            Fail(Position(text, check.errorByte), "not valid JSON: " + Detail(check.error));
        }
        Fail("", "not valid JSON");
    }

    void ExpectObject(const JsonValue& value, const Place& where) const {
        if (!value.IsObject())
            Fail(where, "expected an object { ... }, found " + Describe(value));
    }

    void ExpectArray(const JsonValue& value, const Place& where) const {
        if (!value.IsArray())
            Fail(where, "expected a list [ ... ], found " + Describe(value));
    }

    void OnlyKeys(const JsonValue& object, const Place& where,
                  std::initializer_list<std::string_view> allowed) const {
        for (const JsonValue item : object.Items()) {
            const std::string_view key = item.Key();
            bool known = false;
            for (std::string_view allowedKey : allowed)
                known = known || key == allowedKey;
            if (!known)
                UnknownField(where, key, {allowed.begin(), allowed.size()});
        }
    }

    // What OnlyKeys checks, and the members by their keys (null where one is not there),
    // in one pass over the object: a file has thousands of accounts.
    template <std::size_t N>
    std::array<std::optional<JsonValue>, N>
    Members(const JsonValue& object, const Place& where,
            const std::array<std::string_view, N>& keys) const {
        std::array<std::optional<JsonValue>, N> found{};
        // Looked for first where the last one was found and on: files usually give the
        // members in one order.
        std::size_t next = 0;
        for (const JsonValue item : object.Items()) {
            const std::string_view key = item.Key();
            std::size_t tried = 0;
            while (tried < N && key != keys[(next + tried) % N])
                ++tried;
            if (tried == N)
                UnknownField(where, key, keys);
            const std::size_t k = (next + tried) % N;
            found[k] = item;
            next = k + 1;
        }
        return found;
    }

    [[noreturn]] void UnknownField(const Place& where, std::string_view key,
                                   std::span<const std::string_view> allowed) const {
        std::string list;
        for (std::string_view known : allowed)
            list += (list.empty() ? "" : ", ") + std::string(known);
        Fail(where, "unknown field \"" + std::string(key) + "\" (known fields: " + list + ")");
    }

    std::wstring Text(const JsonValue& value, const Place& where) const {
        std::wstring text;
        Text(value, where, text);
        return text;
    }
    void Text(const JsonValue& value, const Place& where, std::wstring& text) const {
        if (!value.IsString())
            Fail(where, "expected text in quotes, found " + Describe(value));
        Utf8ToWide(value.Text(), text);
    }

    std::int64_t Whole(const JsonValue& value, const Place& where, std::int64_t minimum,
                       std::int64_t maximum) const {
        std::int64_t number = 0;
        bool inRange = false;
        const bool isNumber = value.kind() == JsonValue::Kind::Number;
        if (isNumber && value.Number() == JsonValue::NumberKind::Unsigned) {
            const auto u = value.UnsignedValue();
            inRange = u <= static_cast<std::uint64_t>(maximum);
            number = inRange ? static_cast<std::int64_t>(u) : 0;
            inRange = inRange && number >= minimum;
        } else if (isNumber && value.Number() == JsonValue::NumberKind::Signed) {
            number = value.SignedValue();
            inRange = number >= minimum && number <= maximum;
        }
        if (!inRange)
            Fail(where, "expected a whole number from " + std::to_string(minimum) + " to " +
                            std::to_string(maximum) + ", found " + Describe(value));
        return number;
    }

    std::uint32_t Unsigned(const JsonValue& value, const Place& where,
                           std::uint32_t minimum = 0) const {
        return static_cast<std::uint32_t>(
            Whole(value, where, minimum, std::numeric_limits<std::uint32_t>::max()));
    }

    std::int32_t Signed(const JsonValue& value, const Place& where) const {
        return static_cast<std::int32_t>(Whole(value, where,
                                               std::numeric_limits<std::int32_t>::min(),
                                               std::numeric_limits<std::int32_t>::max()));
    }

    platform::Sid SidText(const JsonValue& value, const Place& where) const {
        const std::wstring text = Text(value, where);
        auto sid = platform::ParseSidString(WideToUtf8(text));
        if (!sid)
            Fail(where, Quoted(text) + " is not a security identifier like \"S-1-5-32-544\"");
        return *sid;
    }

    // The value as the file has it, cut short where it is long.
    static std::string Describe(const JsonValue& document) {
        const Json value = Json::parse(document.Raw());
        std::string shown = value.dump(-1, ' ', false, Json::error_handler_t::replace);
        if (shown.size() > 40)
            shown = shown.substr(0, 37) + "...";
        switch (value.type()) {
        case Json::value_t::null:
            return "null";
        case Json::value_t::object:
            return "an object";
        case Json::value_t::array:
            return "a list";
        case Json::value_t::string:
            return "text " + shown;
        case Json::value_t::boolean:
            return shown;
        default:
            return "the number " + shown;
        }
    }

private:
    // "line 3, column 14" of the byte the parser stopped at (counted from 1).
    static std::string Position(std::string_view text, std::size_t byte) {
        const std::size_t end = std::min(byte == 0 ? 0 : byte - 1, text.size());
        std::size_t line = 1;
        std::size_t lineStart = 0;
        for (std::size_t i = 0; i < end; ++i) {
            if (text[i] == '\n') {
                ++line;
                lineStart = i + 1;
            }
        }
        return "line " + std::to_string(line) + ", column " + std::to_string(end - lineStart + 1);
    }

    // The parser's own words, without its prefix and its position (given already), and
    // without the bytes it last read, which may be the very bytes that are not UTF-8.
    static std::string Detail(const std::string& what) {
        const std::size_t at = what.find("syntax error");
        const std::size_t colon = what.rfind(": ");
        std::string detail = at != std::string::npos      ? what.substr(at)
                             : colon != std::string::npos ? what.substr(colon + 2)
                                                          : what;
        const std::size_t lastRead = detail.find("; last read:");
        if (lastRead != std::string::npos)
            detail.erase(lastRead);
        return detail;
    }

    const std::string& source_;
};

std::optional<JsonValue> Field(const JsonValue& object, std::string_view key) {
    return object.Find(key);
}

void ReadDomain(const Reader& reader, const JsonValue& root, MachineState& state) {
    const std::optional<JsonValue> domain = Field(root, "domain");
    if (!domain)
        return;
    reader.ExpectObject(*domain, "domain");
    reader.OnlyKeys(*domain, "domain", {"name", "sid"});
    if (const std::optional<JsonValue> name = Field(*domain, "name")) {
        state.domainName = reader.Text(*name, "domain.name");
        if (!IsValidAccountName(state.domainName) ||
            state.domainName.find(L' ') != std::wstring::npos)
            reader.Fail("domain.name", Quoted(state.domainName) + " is not a computer name");
    }
    if (const std::optional<JsonValue> sid = Field(*domain, "sid")) {
        platform::Sid parsed = reader.SidText(*sid, "domain.sid");
        if (parsed.identifierAuthority != NtAuthority || parsed.subAuthorities.size() != 4 ||
            parsed.subAuthorities[0] != 21)
            reader.Fail("domain.sid", "a machine's domain identifier has the form "
                                      "\"S-1-5-21-<number>-<number>-<number>\"");
        state.domainSid = std::move(parsed);
    }
}

void ReadSettings(const Reader& reader, const JsonValue& root, MachineState& state) {
    if (const std::optional<JsonValue> codePage = Field(root, "codePage")) {
        state.codePage = reader.Unsigned(*codePage, "codePage");
        if (!IsKnownCodePage(state.codePage))
            reader.Fail("codePage",
                        "the machine knows code pages 932, 1250, 1252 and 65001 (UTF-8), not " +
                            std::to_string(state.codePage));
    }
    if (const std::optional<JsonValue> user = Field(root, "loggedOnUser")) {
        // Anyone may be logged on, also a domain user that is not among the accounts.
        state.loggedOnUser = user->IsNull() ? L"" : reader.Text(*user, "loggedOnUser");
    }
    if (const std::optional<JsonValue> zone = Field(root, "timeZone")) {
        reader.ExpectObject(*zone, "timeZone");
        reader.OnlyKeys(*zone, "timeZone", {"id", "bias", "standardBias", "daylightBias"});
        if (const std::optional<JsonValue> id = Field(*zone, "id"))
            state.timeZoneId = reader.Unsigned(*id, "timeZone.id");
        if (const std::optional<JsonValue> bias = Field(*zone, "bias"))
            state.timeZone.bias = reader.Signed(*bias, "timeZone.bias");
        if (const std::optional<JsonValue> bias = Field(*zone, "standardBias"))
            state.timeZone.standardBias = reader.Signed(*bias, "timeZone.standardBias");
        if (const std::optional<JsonValue> bias = Field(*zone, "daylightBias"))
            state.timeZone.daylightBias = reader.Signed(*bias, "timeZone.daylightBias");
    }
}

// The 21 bytes that `text` gives in hexadecimal digits, two each, or none.
std::optional<LogonHoursBytes> HoursFromHex(std::string_view text) {
    LogonHoursBytes hours{};
    if (text.size() != HoursDigits)
        return std::nullopt;
    for (std::size_t i = 0; i < hours.size(); ++i) {
        const int high = HexValue(text[2 * i]);
        const int low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        hours[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return hours;
}

std::optional<LogonHoursBytes> ReadHours(const Reader& reader, const JsonValue& value,
                                         const Place& where) {
    if (value.IsNull())
        return std::nullopt;
    if (value.IsString())
        if (const std::optional<LogonHoursBytes> hours = HoursFromHex(value.Text()))
            return hours;
    const std::wstring wide = reader.Text(value, where);
    reader.Fail(where,
                "expected null (no restrictions) or " + std::to_string(HoursDigits) +
                    " hexadecimal digits, two for each of the 21 bytes, found " +
                    (wide.size() == HoursDigits ? std::string("a character that is not one")
                                                : std::to_string(wide.size()) + " characters"));
}

// The rids that the file's groups of the machine's own domain take (S-1-5-21-...-<rid>).
// Accounts and those groups share the domain's identifiers, so an account without a rid
// must not be given one of these. Entries that are not well-formed are left to ReadGroups,
// which reports them.
std::unordered_set<std::uint32_t> DomainGroupRids(const JsonValue& root,
                                                  const MachineState& state) {
    std::unordered_set<std::uint32_t> rids;
    const std::optional<JsonValue> groups = Field(root, "groups");
    if (!groups || !groups->IsArray())
        return rids;
    for (const JsonValue entry : groups->Items()) {
        const std::optional<JsonValue> sid = entry.IsObject() ? Field(entry, "sid") : std::nullopt;
        if (!sid || !sid->IsString())
            continue;
        auto parsed = platform::ParseSidString(std::string(sid->Text()));
        if (!parsed || parsed->subAuthorities.empty())
            continue;
        const std::uint32_t rid = parsed->subAuthorities.back();
        parsed->subAuthorities.pop_back();
        if (*parsed == state.domainSid)
            rids.insert(rid);
    }
    return rids;
}

// An account's fields, in the order the unknown-field message lists them.
constexpr std::array<std::string_view, 9> kAccountKeys = {"rid",      "name",        "fullName",
                                                          "comment",  "userComment", "flags",
                                                          "password", "lastLogon",   "logonHours"};

void ReadAccounts(const Reader& reader, const JsonValue& root, MachineState& state) {
    const std::optional<JsonValue> accounts = Field(root, "accounts");
    if (!accounts)
        return;
    reader.ExpectArray(*accounts, "accounts");
    // An account without a rid gets the next one that no account of the file gives and no
    // group of the domain holds; the rids given are looked at first, then each account is
    // read and checked in the file's order, which decides the fault a message names.
    std::vector<std::uint32_t> given;
    for (const JsonValue entry : accounts->Items()) {
        const std::optional<JsonValue> rid = entry.IsObject() ? Field(entry, "rid") : std::nullopt;
        if (rid && rid->Number() == JsonValue::NumberKind::Unsigned &&
            rid->UnsignedValue() <= std::numeric_limits<std::uint32_t>::max())
            given.push_back(static_cast<std::uint32_t>(rid->UnsignedValue()));
    }
    std::sort(given.begin(), given.end());
    const std::unordered_set<std::uint32_t> groupRids = DomainGroupRids(root, state);
    state.ReserveAccounts(accounts->Size());
    std::uint32_t next = 1000;
    const Place list("accounts");
    std::size_t i = 0;
    for (const JsonValue entry : accounts->Items()) {
        const Place where(list, i++);
        reader.ExpectObject(entry, where);
        const auto [ridField, name, fullName, comment, userComment, flags, password, lastLogon,
                    logonHours] = reader.Members(entry, where, kAccountKeys);
        SimAccount account;
        if (!name)
            reader.Fail(where, "the account has no \"name\"");
        account.name = reader.Text(*name, Place(where, "name"));
        if (!IsValidAccountName(account.name))
            reader.Fail(Place(where, "name"),
                        Quoted(account.name) + " is not a valid account name");
        // The accounts so far stand at the positions they have in the file.
        if (const auto earlier = state.PositionOf(account.name))
            reader.Fail(Place(where, "name"), "the name " + Quoted(account.name) +
                                                  " is already used by " +
                                                  Item("accounts", *earlier));
        if (const std::optional<JsonValue>& rid = ridField) {
            account.rid = reader.Unsigned(*rid, Place(where, "rid"), 500);
            if (const SimAccount* earlier = state.FindByRid(account.rid))
                reader.Fail(Place(where, "rid"),
                            "the rid " + std::to_string(account.rid) + " is already used by " +
                                Item("accounts", *state.PositionOf(earlier->name)));
        } else {
            while (std::binary_search(given.begin(), given.end(), next) || groupRids.count(next))
                ++next;
            account.rid = next++;
        }
        if (fullName)
            account.fullName = reader.Text(*fullName, Place(where, "fullName"));
        if (comment)
            account.comment = reader.Text(*comment, Place(where, "comment"));
        if (userComment)
            account.userComment = reader.Text(*userComment, Place(where, "userComment"));
        if (password)
            account.password = reader.Text(*password, Place(where, "password"));
        if (flags)
            account.flags = reader.Unsigned(*flags, Place(where, "flags"));
        if (lastLogon)
            account.lastLogon = reader.Unsigned(*lastLogon, Place(where, "lastLogon"));
        if (logonHours)
            account.logonHours = ReadHours(reader, *logonHours, Place(where, "logonHours"));
        state.Insert(std::move(account));
    }
}

// A group member as the file names it: "name", or "DOMAIN\\name" with the machine's own
// domain, as NetLocalGroupAddMembers accepts it. The machine holds only its own accounts,
// so a member of another domain cannot be one of its groups' members.
const SimAccount& MemberAccount(const Reader& reader, const MachineState& state,
                                const std::wstring& member, const Place& where) {
    if (auto position = state.ResolveMember(member))
        return state.AccountAt(*position);
    // Domain names compare without case, as the machine compares them.
    const auto upper = [](wchar_t c) { return c >= L'a' && c <= L'z' ? wchar_t(c - 32) : c; };
    const auto slash = member.find(L'\\');
    const std::wstring_view domain = std::wstring_view(member).substr(0, slash);
    if (slash != std::wstring::npos &&
        !std::equal(domain.begin(), domain.end(), state.domainName.begin(), state.domainName.end(),
                    [&](wchar_t a, wchar_t b) { return upper(a) == upper(b); }))
        reader.Fail(where, Quoted(member) + " is an account of the domain " + Quoted(domain) +
                               "; the groups of " + Quoted(state.domainName) +
                               " hold only its own accounts");
    reader.Fail(where, "there is no account named " + Quoted(member));
}

void ReadGroups(const Reader& reader, const JsonValue& root, MachineState& state) {
    const std::optional<JsonValue> groups = Field(root, "groups");
    state.groups.clear();
    if (groups) {
        reader.ExpectArray(*groups, "groups");
        const Place list("groups");
        std::size_t i = 0;
        for (const JsonValue entry : groups->Items()) {
            const Place where(list, i++);
            reader.ExpectObject(entry, where);
            reader.OnlyKeys(entry, where, {"sid", "name", "members"});
            const std::optional<JsonValue> sidField = Field(entry, "sid");
            if (!sidField)
                reader.Fail(where, R"(the group has no "sid" (such as "S-1-5-32-544"))");
            LocalGroup group;
            group.sid = reader.SidText(*sidField, Place(where, "sid"));
            const auto& subs = group.sid.subAuthorities;
            platform::Sid domainPart = group.sid;
            if (!domainPart.subAuthorities.empty())
                domainPart.subAuthorities.pop_back();
            if (group.sid.identifierAuthority == NtAuthority && subs.size() == 2 &&
                subs[0] == BuiltinDomainRid) {
                group.builtinDomain = true;
            } else if (!subs.empty() && domainPart == state.domainSid) {
                group.builtinDomain = false;
            } else {
                reader.Fail(Place(where, "sid"),
                            "a local group is either S-1-5-32-<rid> (BUILTIN) or the machine's "
                            "domain identifier " +
                                platform::SidToString(state.domainSid) + " followed by -<rid>");
            }
            group.rid = subs.back();
            if (state.FindGroupBySid(group.sid))
                reader.Fail(Place(where, "sid"),
                            "the group " + platform::SidToString(group.sid) + " is listed twice");
            if (!group.builtinDomain && state.FindByRid(group.rid))
                reader.Fail(Place(where, "sid"), "the rid " + std::to_string(group.rid) +
                                                     " belongs to an account already");
            const bool wellKnown = group.builtinDomain && group.rid >= 544 && group.rid <= 547;
            if (const std::optional<JsonValue> name = Field(entry, "name")) {
                group.name = reader.Text(*name, Place(where, "name"));
            } else if (wellKnown) {
                group.name = std::wstring(DefaultBuiltinName(static_cast<BuiltinAlias>(group.rid)));
            } else {
                reader.Fail(where, "the group has no \"name\"");
            }
            if (!IsValidAccountName(group.name))
                reader.Fail(Place(where, "name"),
                            Quoted(group.name) + " is not a valid group name");
            if (state.NameTaken(group.name))
                reader.Fail(Place(where, "name"), "the name " + Quoted(group.name) +
                                                      " is already used by another group or an "
                                                      "account");
            if (const std::optional<JsonValue> members = Field(entry, "members")) {
                const Place membersWhere(where, "members");
                reader.ExpectArray(*members, membersWhere);
                group.Reserve(members->Size());
                std::wstring member; // its room serves every member
                std::size_t m = 0;
                for (const JsonValue item : members->Items()) {
                    const Place memberWhere(membersWhere, m++);
                    reader.Text(item, memberWhere, member);
                    const SimAccount& account = MemberAccount(reader, state, member, memberWhere);
                    if (!group.Add(account.rid))
                        reader.Fail(memberWhere, Quoted(member) + " is listed twice");
                }
            }
            state.groups.push_back(std::move(group));
        }
    }
    // A file that leaves out a built-in group still has it, with its English name.
    for (BuiltinAlias alias : {BuiltinAlias::Administrators, BuiltinAlias::Users,
                               BuiltinAlias::Guests, BuiltinAlias::PowerUsers}) {
        if (state.FindGroupBySid(BuiltinSid(static_cast<std::uint32_t>(alias))))
            continue;
        if (state.FindGroup(DefaultBuiltinName(alias)))
            reader.Fail("groups",
                        "the built-in group " +
                            platform::SidToString(BuiltinSid(static_cast<std::uint32_t>(alias))) +
                            " is missing and its usual name is taken");
        state.Builtin(alias);
    }
}

} // namespace

std::string WriteMachineJson(const MachineState& state) {
    Json root;
    root["domain"] = {{"name", WideToUtf8(state.domainName)},
                      {"sid", platform::SidToString(state.domainSid)}};
    root["codePage"] = state.codePage;
    root["loggedOnUser"] = WideToUtf8(state.loggedOnUser);
    root["timeZone"] = {{"id", state.timeZoneId},
                        {"bias", state.timeZone.bias},
                        {"standardBias", state.timeZone.standardBias},
                        {"daylightBias", state.timeZone.daylightBias}};
    Json groups = Json::array();
    for (const LocalGroup& group : state.groups) {
        Json members = Json::array();
        for (std::uint32_t rid : group.members) {
            if (const SimAccount* account = state.FindByRid(rid))
                members.push_back(WideToUtf8(account->name));
        }
        groups.push_back({{"sid", platform::SidToString(group.sid)},
                          {"name", WideToUtf8(group.name)},
                          {"members", std::move(members)}});
    }
    root["groups"] = std::move(groups);
    Json accounts = Json::array();
    for (std::size_t i = 0; i < state.AccountCount(); ++i) {
        const SimAccount& account = state.AccountAt(i);
        Json entry;
        entry["rid"] = account.rid;
        entry["name"] = WideToUtf8(account.name);
        entry["fullName"] = WideToUtf8(account.fullName);
        entry["comment"] = WideToUtf8(account.comment);
        entry["userComment"] = WideToUtf8(account.userComment);
        entry["flags"] = account.flags;
        entry["password"] = WideToUtf8(account.password);
        entry["lastLogon"] = account.lastLogon;
        entry["logonHours"] =
            account.logonHours ? Json(HoursToHex(*account.logonHours)) : Json(nullptr);
        accounts.push_back(std::move(entry));
    }
    root["accounts"] = std::move(accounts);
    return root.dump(2, ' ', false) + "\n";
}

void ReadMachineJson(std::string_view text, const std::string& source, MachineState& state) {
    const Reader reader(source);
    const JsonDocument document = reader.Parse(text);
    const JsonValue& root = document.Root();
    reader.ExpectObject(root, "");
    reader.OnlyKeys(root, "",
                    {"domain", "codePage", "loggedOnUser", "timeZone", "groups", "accounts"});
    ReadDomain(reader, root, state);
    ReadSettings(reader, root, state);
    state.ClearAccounts();
    ReadAccounts(reader, root, state);
    ReadGroups(reader, root, state);
}

std::string PathText(const std::filesystem::path& file) {
    const std::u8string text = file.u8string();
    return std::string(text.begin(), text.end());
}

std::string ReadWholeFile(const std::filesystem::path& file) {
    std::error_code error;
    if (std::filesystem::is_directory(file, error))
        throw MachineFileError(PathText(file) + ": is a folder, not a machine file");
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    if (!in)
        throw MachineFileError(PathText(file) + ": cannot be opened for reading");
    // Read at once into text of the file's size: a large machine is megabytes.
    const std::streamoff size = in.tellg();
    std::string content(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    in.seekg(0);
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    if (in.bad() || in.gcount() != static_cast<std::streamsize>(content.size()))
        throw MachineFileError(PathText(file) + ": could not be read to its end");
    return content;
}

void WriteFileAtomically(const std::filesystem::path& file, std::string_view text) {
    // A unique name beside the target: the rename then stays on one volume and replaces
    // the old file in one step, so a reader sees the old machine or the new, never half.
    std::random_device random;
    std::filesystem::path temporary = file;
    temporary += ".tmp" + std::to_string(random());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            throw MachineFileError(PathText(file) + ": could not write " + PathText(temporary));
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, file, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw MachineFileError(PathText(file) + ": could not be replaced: " + error.message());
    }
}

} // namespace qb::simulated::detail
