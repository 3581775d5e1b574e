// The machine file: round trips, defaults, malformed files, atomic saving, persistence
// of changes made through the ports, and the demo machine that ships with the program.

#include "machine_fixture.h"

#include <fstream>
#include <sstream>

namespace qb::simulated {
namespace {

using testing::NewAccount;
using testing::Office;
using testing::TempFolder;
namespace st = platform::net_status;
namespace uf = platform::user_flags;

std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteBytes(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string PathText(const std::filesystem::path& file) {
    const std::u8string text = file.u8string();
    return std::string(text.begin(), text.end());
}

std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(PathText(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

// --- Round trip ---

TEST(MachineFile, EverythingSurvivesARoundTripExactly) {
    SimulatedMachine m;
    m.RenameBuiltinGroup(BuiltinAlias::Guests, L"Gäste");
    m.AddLocalGroup(L"Remote Desktop Users");
    AccountSpec zoe = NewAccount(L"Zoë", {L"Users", L"Remote Desktop Users"});
    zoe.fullName = L"Zoë Łukasiewicz \U0001F600";
    zoe.comment = L"quotes \" and \\ backslashes\nand a new line";
    zoe.userComment = L"€ – “typographic”";
    zoe.password = L"pä$$wörd";
    zoe.flags = uf::Script | uf::NormalAccount | uf::Lockout | uf::PasswordCantChange;
    zoe.lastLogon = 4'000'000'000u;
    LogonHoursBytes hours{};
    for (std::size_t i = 0; i < hours.size(); ++i)
        hours[i] = static_cast<std::uint8_t>(i * 13);
    zoe.logonHours = hours;
    m.AddAccount(zoe);
    AccountSpec trust = NewAccount(L"LAPTOP$", {});
    trust.flags = uf::Script | uf::WorkstationTrustAccount;
    trust.rid = 4711;
    m.AddAccount(trust);
    m.AddAccount(NewAccount(L"late", {L"Gäste", L"Administrators"}));
    m.SetLoggedOnUser(L"Zoë");
    m.SetTimeZone(platform::time_zone_id::Daylight, {-60, 0, -60});
    m.SetCodePage(65001);

    const std::string text = m.ToJsonText();
    auto copy = SimulatedMachine::FromJsonText(text, "round trip");
    EXPECT_EQ(copy->ToJsonText(), text);

    const SimAccount* z = copy->FindAccount(L"Zoë");
    ASSERT_NE(z, nullptr);
    EXPECT_EQ(z->fullName, zoe.fullName);
    EXPECT_EQ(z->comment, zoe.comment);
    EXPECT_EQ(z->userComment, zoe.userComment);
    EXPECT_EQ(z->password, zoe.password);
    EXPECT_EQ(z->flags, zoe.flags);
    EXPECT_EQ(z->lastLogon, zoe.lastLogon);
    EXPECT_EQ(z->logonHours, zoe.logonHours);
    EXPECT_EQ(z->rid, m.FindAccount(L"Zoë")->rid);
    EXPECT_FALSE(copy->FindAccount(L"Administrator")->logonHours.has_value());
    EXPECT_EQ(copy->FindAccountByRid(4711)->name, L"LAPTOP$");
    EXPECT_EQ(copy->GroupsOf(L"late"), (std::vector<std::wstring>{L"Administrators", L"Gäste"}));
    EXPECT_EQ(copy->GroupsOf(L"Zoë"), m.GroupsOf(L"Zoë"));
    EXPECT_EQ(copy->BuiltinGroupName(BuiltinAlias::Guests), L"Gäste");
    EXPECT_EQ(copy->LoggedOnUser(), L"Zoë");
    EXPECT_EQ(copy->TimeZoneId(), platform::time_zone_id::Daylight);
    EXPECT_EQ(copy->TimeZone().daylightBias, -60);
    EXPECT_EQ(copy->CodePage(), 65001u);
    EXPECT_EQ(copy->DomainSid(), m.DomainSid());
    EXPECT_EQ(copy->DomainName(), m.DomainName());
    std::vector<std::wstring> names;
    for (const SimAccount* account : copy->AccountsInOrder())
        names.push_back(account->name);
    EXPECT_EQ(names,
              (std::vector<std::wstring>{L"Administrator", L"Guest", L"Zoë", L"LAPTOP$", L"late"}));

    // The local group keeps its identifier: the next account does not take it.
    std::wstring name;
    std::wstring domain;
    platform::Sid groupSid = copy->DomainSid();
    groupSid.subAuthorities.push_back(1000);
    ASSERT_TRUE(copy->Security().LookupSidName(groupSid, name, domain));
    EXPECT_EQ(name, L"Remote Desktop Users");
    EXPECT_EQ(copy->AddAccount(NewAccount(L"next", {})), 1003u);
}

TEST(MachineFile, TextsAreReadableUtf8AndHoursAreHexadecimal) {
    SimulatedMachine m;
    SimAccount* admin = m.FindAccount(L"Administrator");
    admin->fullName = L"Zoë";
    LogonHoursBytes hours{};
    hours[0] = 0x01;
    hours[20] = 0xFE;
    admin->logonHours = hours;
    const std::string text = m.ToJsonText();
    EXPECT_NE(text.find("\"fullName\": \"Zo\xC3\xAB\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"logonHours\": \"01" + std::string(38, '0') + "FE\""), std::string::npos);
    EXPECT_NE(text.find("\"logonHours\": null"), std::string::npos) << "the guest";
    EXPECT_NE(text.find("\"sid\": \"S-1-5-32-544\""), std::string::npos);
    EXPECT_NE(text.find('\n'), std::string::npos) << "one field a line, for people";
}

TEST(MachineFile, OmittedFieldsTakeSensibleDefaults) {
    auto m = SimulatedMachine::FromJsonText(
        R"({"accounts": [{"name": "solo"}, {"name": "fixed", "rid": 1000, "logonHours": null}],
            "groups": [{"sid": "S-1-5-32-545", "members": ["solo"]}]})",
        "defaults");
    const SimAccount* solo = m->FindAccount(L"solo");
    ASSERT_NE(solo, nullptr);
    EXPECT_EQ(solo->rid, 1001u) << "1000 is given to a later account";
    EXPECT_EQ(solo->flags, uf::Script | uf::NormalAccount);
    EXPECT_EQ(solo->fullName, L"");
    EXPECT_EQ(solo->lastLogon, 0u);
    EXPECT_FALSE(solo->logonHours.has_value());
    EXPECT_EQ(m->GroupsOf(L"solo"), std::vector<std::wstring>{L"Users"});
    EXPECT_EQ(m->BuiltinGroupName(BuiltinAlias::Administrators), L"Administrators")
        << "a built-in group left out is still there";
    EXPECT_EQ(m->BuiltinGroupName(BuiltinAlias::PowerUsers), L"Power Users");
    EXPECT_EQ(m->DomainName(), L"QUILLBAY-PC");
    EXPECT_EQ(m->CodePage(), 1252u);
    EXPECT_EQ(m->LoggedOnUser(), L"");
    EXPECT_EQ(m->FindAccountByRid(500), nullptr) << "only the accounts the file lists";

    auto empty = SimulatedMachine::FromJsonText("{}", "empty object");
    EXPECT_EQ(empty->AccountCount(), 0u);
}

// --- Malformed files ---

struct BadFile {
    const char* what;
    std::string text;
    const char* expected; // a part of the message besides the file's name
};

std::string Nested(int depth) {
    return std::string(static_cast<std::size_t>(depth), '[');
}

const std::vector<BadFile>& BadFiles() {
    static const std::vector<BadFile> files = {
        {"empty", "", "empty"},
        {"blank", " \r\n\t ", "empty"},
        {"truncated", R"({"accounts": [{"name": "a", "rid": 10)", "line 1, column 38"},
        {"torn on line 3", "{\n  \"codePage\": 1252,\n  \"loggedOnUser\" \"x\"\n}",
         "line 3, column"},
        {"trailing comma", "{\"accounts\": [],}", "not valid JSON"},
        {"not an object", "[1, 2]", "expected an object"},
        {"bad UTF-8", "{\"loggedOnUser\": \"\xC3\x28\"}", "ill-formed UTF-8 byte"},
        {"NUL inside", std::string("{\"codePage\": 1252,\0}", 20), "not valid JSON"},
        {"deeply nested", Nested(100000), "not valid JSON"},
        {"unknown top field", R"({"acounts": []})", "unknown field \"acounts\""},
        {"key twice", R"({"codePage": 1252, "codePage": 1252})", "\"codePage\" appears twice"},
        {"code page as text", R"({"codePage": "1252"})", "codePage: expected a whole number"},
        {"unknown code page", R"({"codePage": 437})", "code pages 1252 and 65001"},
        {"domain SID shape", R"({"domain": {"sid": "S-1-5-32"}})", "domain.sid"},
        {"domain SID text", R"({"domain": {"sid": 21}})", "domain.sid: expected text"},
        {"bias too large", R"({"timeZone": {"bias": 3000000000}})", "timeZone.bias"},
        {"accounts not a list", R"({"accounts": {}})", "accounts: expected a list"},
        {"account not an object", R"({"accounts": ["bob"]})", "accounts[0]: expected an object"},
        {"account without name", R"({"accounts": [{"rid": 1000}]})", "has no \"name\""},
        {"name not text", R"({"accounts": [{"name": 7}]})", "accounts[0].name: expected text"},
        {"invalid name", R"({"accounts": [{"name": "a/b"}]})", "not a valid account name"},
        {"name ending in a period", R"({"accounts": [{"name": "bob."}]})", "not a valid"},
        {"misspelt field", R"({"accounts": [{"name": "a", "fullname": ""}]})",
         "accounts[0]: unknown field \"fullname\""},
        {"duplicate name", R"({"accounts": [{"name": "a"}, {"name": "b"}, {"name": "a"}]})",
         "accounts[2].name: the name \"a\" is already used by accounts[0]"},
        {"duplicate rid",
         R"({"accounts": [{"name": "a", "rid": 1000}, {"name": "b", "rid": 1000}]})",
         "accounts[1].rid: the rid 1000"},
        {"rid too small", R"({"accounts": [{"name": "a", "rid": 499}]})", "accounts[0].rid"},
        {"negative flags", R"({"accounts": [{"name": "a", "flags": -1}]})", "accounts[0].flags"},
        {"fractional flags", R"({"accounts": [{"name": "a", "flags": 513.5}]})",
         "accounts[0].flags"},
        {"huge last logon", R"({"accounts": [{"name": "a", "lastLogon": 4294967296}]})",
         "accounts[0].lastLogon"},
        {"flags as boolean", R"({"accounts": [{"name": "a", "flags": true}]})", "found true"},
        {"40-digit hours",
         R"({"accounts": [{"name": "a", "logonHours": "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"}]})",
         "42 hexadecimal digits"},
        {"hours not hex",
         R"({"accounts": [{"name": "a", "logonHours": "GGFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"}]})",
         "found a character that is not one"},
        {"hours as a list", R"({"accounts": [{"name": "a", "logonHours": [255]}]})",
         "logonHours: expected text"},
        {"unknown member",
         R"({"accounts": [{"name": "a"}], "groups": [{"sid": "S-1-5-32-544", "members": ["b"]}]})",
         "groups[0].members[0]: there is no account named \"b\""},
        {"member twice",
         R"({"accounts": [{"name": "a"}], "groups": [{"sid": "S-1-5-32-544", "members": ["a", "a"]}]})",
         "groups[0].members[1]"},
        {"group without SID", R"({"groups": [{"name": "Team"}]})", "groups[0]: the group has no"},
        {"group SID not a SID", R"({"groups": [{"sid": "Team"}]})", "groups[0].sid"},
        {"group of another domain", R"({"groups": [{"sid": "S-1-5-21-1-2-3-1000", "name": "X"}]})",
         "groups[0].sid"},
        {"group twice", R"({"groups": [{"sid": "S-1-5-32-544"}, {"sid": "S-1-5-32-544"}]})",
         "listed twice"},
        {"group named like an account",
         R"({"accounts": [{"name": "Team"}], "groups": [{"sid": "S-1-5-32-555", "name": "Team"}]})",
         "groups[0].name"},
        {"members not a list", R"({"groups": [{"sid": "S-1-5-32-544", "members": "a"}]})",
         "groups[0].members: expected a list"},
    };
    return files;
}

TEST(MachineFile, AMalformedFileIsRefusedWithItsNameAndProblemAndLeftAlone) {
    TempFolder folder;
    for (const BadFile& bad : BadFiles()) {
        SCOPED_TRACE(bad.what);
        const std::filesystem::path file = folder / "machine.json";
        WriteBytes(file, bad.text);
        try {
            SimulatedMachine::LoadFile(file);
            ADD_FAILURE() << "accepted";
        } catch (const MachineFileError& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind(PathText(file) + ": ", 0), 0u) << message;
            EXPECT_NE(message.find(bad.expected), std::string::npos) << message;
            EXPECT_EQ(message.find("last read"), std::string::npos) << "no raw bytes echoed";
        }
        EXPECT_EQ(ReadBytes(file), bad.text) << "never written";
        EXPECT_EQ(FilesIn(folder.path()), std::vector<std::string>{"machine.json"});
    }
}

TEST(MachineFile, AMissingOrUnreadableFileIsAnErrorToo) {
    TempFolder folder;
    const std::filesystem::path missing = folder / "missing.json";
    try {
        SimulatedMachine::LoadFile(missing);
        ADD_FAILURE() << "loaded a file that is not there";
    } catch (const MachineFileError& e) {
        EXPECT_NE(std::string(e.what()).find(PathText(missing)), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(missing)) << "not created";
    EXPECT_THROW(SimulatedMachine::LoadFile(folder.path()), MachineFileError);
    EXPECT_THROW(SimulatedMachine::FromJsonText("{", "text"), MachineFileError);
}

// --- Saving ---

TEST(MachineFile, SavingReplacesTheFileAtomicallyAndLeavesNothingBehind) {
    TempFolder folder;
    const std::filesystem::path file = folder / "machine.json";
    WriteBytes(file, "old contents");
    SimulatedMachine m;
    m.AddAccount(NewAccount(L"ben", {L"Users"}));
    m.SaveFile(file);
    EXPECT_EQ(ReadBytes(file), m.ToJsonText());
    EXPECT_EQ(FilesIn(folder.path()), std::vector<std::string>{"machine.json"});
    EXPECT_NE(SimulatedMachine::LoadFile(file)->FindAccount(L"ben"), nullptr);

    const std::filesystem::path nowhere = folder / "no-such-folder" / "machine.json";
    try {
        m.SaveFile(nowhere);
        ADD_FAILURE() << "saved into a folder that does not exist";
    } catch (const MachineFileError& e) {
        EXPECT_NE(std::string(e.what()).find(PathText(nowhere)), std::string::npos);
    }
    EXPECT_EQ(FilesIn(folder.path()), std::vector<std::string>{"machine.json"});
}

TEST_F(Office, PersistedMachinesSaveEverySuccessfulChangeAndNothingElse) {
    TempFolder folder;
    const std::filesystem::path file = folder / "machine.json";
    m.SaveFile(file);
    m.PersistTo(file);
    const std::string before = ReadBytes(file);

    // Reads, refused writes and failed writes leave the file as it is.
    platform::UserInfo2 info;
    net.UserGetInfo(L"ben", info);
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo0{L"carla"}), st::UserExists);
    EXPECT_EQ(net.LocalGroupAddMember(L"Users", L"ben"), st::MemberInAlias);
    m.FailCall({"NetUserSetInfo", std::nullopt, std::nullopt, st::AccessDenied, 1});
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1007{L"x"}), st::AccessDenied);
    EXPECT_EQ(ReadBytes(file), before);

    ASSERT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1011{L"Ben Hansen"}), st::Success);
    EXPECT_EQ(SimulatedMachine::LoadFile(file)->FindAccount(L"ben")->fullName, L"Ben Hansen");
    ASSERT_EQ(net.LocalGroupAddMember(L"Administrators", L"ben"), st::Success);
    EXPECT_TRUE(SimulatedMachine::LoadFile(file)->IsMember(L"Administrators", L"ben"));
    ASSERT_EQ(net.UserSetInfo(L"ben", platform::UserInfo0{L"benjamin"}), st::Success);
    auto reloaded = SimulatedMachine::LoadFile(file);
    EXPECT_EQ(reloaded->FindAccount(L"ben"), nullptr);
    EXPECT_TRUE(reloaded->IsMember(L"Administrators", L"benjamin"));
    EXPECT_EQ(ReadBytes(file), m.ToJsonText());
    EXPECT_EQ(FilesIn(folder.path()), std::vector<std::string>{"machine.json"});
}

TEST_F(Office, AChangeThatCannotBeSavedIsUndoneAndFails) {
    TempFolder folder;
    m.PersistTo(folder / "gone" / "machine.json");
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo0{L"benjamin"}), 29u);
    EXPECT_NE(m.FindAccount(L"ben"), nullptr);
    EXPECT_EQ(m.FindAccount(L"benjamin"), nullptr);
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1012{L"x"}), 29u);
    EXPECT_EQ(m.FindAccount(L"ben")->userComment, L"");
    EXPECT_EQ(net.LocalGroupDelMember(L"Users", L"ben"), 29u);
    EXPECT_TRUE(m.IsMember(L"Users", L"ben"));
    EXPECT_EQ(m.Calls().back().status, 29u);
}

// --- The demo machine ---

TEST(DemoMachine, IsAPleasantFamilyOfficeInItsOwnCanonicalForm) {
    const std::filesystem::path file = QB_DEMO_MACHINE;
    auto m = SimulatedMachine::LoadFile(file);
    EXPECT_EQ(m->ToJsonText(), ReadBytes(file)) << "saving it changes nothing";

    EXPECT_GE(m->AccountCount(), 10u);
    ASSERT_NE(m->FindAccountByRid(500), nullptr);
    ASSERT_NE(m->FindAccountByRid(501), nullptr);
    EXPECT_NE(m->FindAccountByRid(501)->flags & uf::AccountDisable, 0u) << "the guest is off";
    EXPECT_EQ(m->PrivilegeOf(m->FindAccountByRid(500)->name), platform::user_priv::Admin);
    EXPECT_EQ(m->PrivilegeOf(m->LoggedOnUser()), platform::user_priv::Admin);

    int admins = 0, powerUsers = 0, guests = 0, disabled = 0, restricted = 0, noPassword = 0,
        loggedOn = 0;
    for (const SimAccount* account : m->AccountsInOrder()) {
        admins += m->IsMember(m->BuiltinGroupName(BuiltinAlias::Administrators), account->name);
        powerUsers += m->IsMember(m->BuiltinGroupName(BuiltinAlias::PowerUsers), account->name);
        guests += account->rid != 501 && m->PrivilegeOf(account->name) == 0;
        disabled += account->rid != 501 && (account->flags & uf::AccountDisable) != 0;
        restricted += account->logonHours.has_value();
        noPassword += account->rid != 501 && (account->flags & uf::PasswordNotRequired) != 0;
        loggedOn += account->lastLogon != 0;
        EXPECT_NE(account->flags & uf::NormalAccount, 0u) << testing::Narrow(account->name);
    }
    EXPECT_GE(admins, 2);
    EXPECT_GE(powerUsers, 1);
    EXPECT_GE(guests, 1) << "a guest-type account besides Guest";
    EXPECT_GE(disabled, 1);
    EXPECT_GE(restricted, 2);
    EXPECT_GE(noPassword, 1);
    EXPECT_GE(loggedOn, 5);
}

} // namespace
} // namespace qb::simulated
