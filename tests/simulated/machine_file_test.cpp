// The machine file: malformed files, persistence of changes made through the ports, and the
// demo machine that ships with the program. That any file read is written and read back
// as the same machine is the machine file's fuzz target's to check (fuzz/).

#include "machine_fixture.h"

#include <fstream>
#include <random>
#include <sstream>
#include <tuple>

namespace qb::simulated {
namespace {

using testing::Office;
namespace st = platform::net_status;
namespace uf = platform::user_flags;

std::string ReadBytes(const std::filesystem::path& file) {
    std::ostringstream content;
    content << std::ifstream(file, std::ios::binary).rdbuf();
    return content.str();
}

std::string PathText(const std::filesystem::path& file) {
    const std::u8string text = file.u8string();
    return std::string(text.begin(), text.end());
}

// A folder of its own under the system's temporary folder, removed afterwards.
struct TempFolder {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("qb-simulated-" + std::to_string(std::random_device{}()));
    TempFolder() { std::filesystem::create_directories(path); }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

// A file that the machine refuses: the place in the file and the problem it names.
struct Refused {
    std::string text;
    std::string where;
    std::string problem;
};

// Loads each file and expects it refused with "<file>: <where>: ...<problem>...", and the
// file left as it was.
void ExpectEachRefused(const std::vector<Refused>& files) {
    const TempFolder folder;
    const std::filesystem::path file = folder.path / "machine.json";
    for (const Refused& refused : files) {
        std::ofstream(file, std::ios::binary) << refused.text;
        try {
            SimulatedMachine::LoadFile(file);
            ADD_FAILURE() << "accepted: " << refused.text;
        } catch (const MachineFileError& e) {
            const std::string message = e.what();
            const std::string place =
                PathText(file) + ": " + (refused.where.empty() ? "" : refused.where + ": ");
            EXPECT_EQ(message.rfind(place, 0), 0u) << message;
            EXPECT_NE(message.find(refused.problem), std::string::npos) << message;
        }
        EXPECT_EQ(ReadBytes(file), refused.text) << "never written";
    }
}

TEST(MachineFile, AMalformedOrInconsistentFileIsRefusedNamingThePlaceAndLeftUntouched) {
    ExpectEachRefused({
        {"{\n  \"codePage\": 1252,\n  \"loggedOnUser\" \"x\"\n}", "", "line 3, column"},
        {R"({"accounts": [{"name": "a", "rid": 10)", "", "line 1, column 38"},
        {" \r\n\t ", "", "empty"},
        {R"({"codePage": "1252"})", "codePage", "expected a whole number"},
        {R"({"accounts": [{"name": "a", "fullname": ""}]})", "accounts[0]",
         "unknown field \"fullname\""},
        {R"({"groups": [{"sid": "S-1-5-32-544", "members": ["b"]}]})", "groups[0].members[0]",
         "there is no account named \"b\""},
        {R"({"accounts": [{"name": "a"}, {"name": "b"}, {"name": "a"}]})", "accounts[2].name",
         "the name \"a\" is already used by accounts[0]"},
        {R"({"accounts": [{"name": "a", "logonHours": "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"}]})",
         "", "42 hexadecimal digits"},

        // The JSON parser would keep the last of two equal keys, and a group would hold a
        // member once however often it is listed: either way the machine would silently
        // differ from what the file says.
        {R"({"codePage": 1252, "loggedOnUser": "a", "codePage": 65001})", "",
         "the field \"codePage\" appears twice in one object"},
        {R"({"timeZone": {"bias": 60, "daylightBias": 0, "bias": -60}})", "timeZone",
         "the field \"bias\" appears twice"},
        // The same key written once plainly and once with an escape.
        {R"({"accounts": [{"name": "a"}, {"name": "b", "comment": "", "n\u0061me": "c"}]})",
         "accounts[1]", "the field \"name\" appears twice"},
        {R"({"groups": [{"sid": "S-1-5-32-545", "members": [{"x": [1, {"y": 2, "y": 3}]}]}]})",
         "groups[0].members[0].x[1]", "the field \"y\" appears twice"},
        {R"({"accounts": [{"name": "a"}, {"name": "b"}],
             "groups": [{"sid": "S-1-5-32-545", "members": ["a", "b", "a"]}]})",
         "groups[0].members[2]", "\"a\" is listed twice"},
        // The machine's own domain may qualify a member; it is still the same account.
        {R"({"accounts": [{"name": "a"}],
             "groups": [{"sid": "S-1-5-32-544", "members": ["a", "quillbay-pc\\a"]}]})",
         "groups[0].members[1]", "\"quillbay-pc\\a\" is listed twice"},

        // An account's identity is the machine's domain identifier followed by its rid, and
        // a group of the machine's own is the same domain identifier with a rid of its own.
        // Nothing in a file may name an identity of another domain or give one twice.
        {R"({"accounts": [{"name": "ann"}],
             "groups": [{"sid": "S-1-5-32-545", "members": ["OTHER-PC\\ann"]}]})",
         "groups[0].members[0]",
         "\"OTHER-PC\\ann\" is an account of the domain \"OTHER-PC\"; the groups of "
         "\"QUILLBAY-PC\" hold only its own accounts"},
        {R"({"domain": {"name": "HOME-PC", "sid": "S-1-5-21-1-2-3"},
             "groups": [{"sid": "S-1-5-21-1-2-4-1005", "name": "Team"}]})",
         "groups[0].sid", "the machine's domain identifier S-1-5-21-1-2-3 followed by -<rid>"},
        {R"({"domain": {"sid": "S-1-5-21-1-2-3"}, "accounts": [{"name": "ann", "rid": 1005}],
             "groups": [{"sid": "S-1-5-21-1-2-3-1005", "name": "Team"}]})",
         "groups[0].sid", "the rid 1005 belongs to an account already"},
        {R"({"domain": {"sid": "S-1-5-32"}, "accounts": [{"name": "ann"}]})", "domain.sid",
         "\"S-1-5-21-<number>-<number>-<number>\""},
    });
}

TEST(MachineFile, AccountsWithoutARidAreGivenNoneThatAGroupOfTheDomainHolds) {
    const auto m = SimulatedMachine::FromJsonText(
        R"({"domain": {"name": "HOME-PC", "sid": "S-1-5-21-1-2-3"},
            "accounts": [{"name": "ann"}, {"name": "bob", "rid": 1001}],
            "groups": [{"sid": "S-1-5-21-1-2-3-1000", "name": "Team",
                        "members": ["home-pc\\ann", "bob"]}]})",
        "machine.json");
    EXPECT_EQ(m->FindAccount(L"ann")->rid, 1002u);
    EXPECT_TRUE(m->IsMember(L"Team", L"ann"));
    EXPECT_TRUE(m->IsMember(L"Team", L"bob"));
    std::wstring name;
    std::wstring domain;
    platform::Sid sid = m->DomainSid();
    sid.subAuthorities.push_back(1000);
    ASSERT_TRUE(m->Security().LookupSidName(sid, name, domain));
    EXPECT_EQ(name, L"Team");
}

TEST_F(Office, APersistedMachineSavesEachChangeAndUndoesOneItCannotSave) {
    const TempFolder folder;
    m.PersistTo(folder.path / "machine.json");
    ASSERT_EQ(net.UserSetInfo(L"ben", platform::UserInfo0{L"benjamin"}), st::Success);
    EXPECT_TRUE(
        SimulatedMachine::LoadFile(folder.path / "machine.json")->IsMember(L"Users", L"benjamin"));
    m.PersistTo(folder.path / "gone" / "machine.json");
    EXPECT_EQ(net.UserSetInfo(L"benjamin", platform::UserInfo1012{L"x"}), 29u);
    EXPECT_EQ(m.FindAccount(L"benjamin")->userComment, L"") << "undone";
}

TEST(DemoMachine, LoadsInItsOwnCanonicalFormWithAnAdministratorLoggedOn) {
    const std::filesystem::path file = QB_DEMO_MACHINE;
    const auto m = SimulatedMachine::LoadFile(file);
    EXPECT_EQ(m->ToJsonText(), ReadBytes(file)) << "saving it changes nothing";
    EXPECT_GE(m->AccountCount(), 10u);
    EXPECT_EQ(m->PrivilegeOf(m->LoggedOnUser()), platform::user_priv::Admin);
}

} // namespace
} // namespace qb::simulated
