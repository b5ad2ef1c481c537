// What the Join dialog takes as a game's address, invite links both ways, the
// addresses a hosting copy offers, and the player's name.

#include "app/GameAddress.h"
#include "app/PlayerName.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using app::AddressProblem;
using app::GameAddress;

struct AddressRow {
    const char* fault;
    const char* text;
    GameAddress expected; // empty host: refused
    AddressProblem problem = AddressProblem::None;
};

TEST(GameAddress, EveryAcceptedForm)
{
    const AddressRow rows[] = {
        { "a bare name lost the usual port", "ann-laptop", { "ann-laptop", 7772 } },
        { "a name with a port", "games.example.org:7773", { "games.example.org", 7773 } },
        { "a name ending in the root dot", "games.example.org.", { "games.example.org.", 7772 } },
        { "an IPv4 address", "192.0.2.7", { "192.0.2.7", 7772 } },
        { "an IPv4 address with a port", "192.0.2.7:1", { "192.0.2.7", 1 } },
        { "the highest port", "192.0.2.7:65535", { "192.0.2.7", 65535 } },
        { "a port with leading zeros", "h:07772", { "h", 7772 } },
        { "a bare IPv6 loopback read its last group as a port", "::1", { "::1", 7772 } },
        { "a bare IPv6 address read its last group as a port", "2001:db8::7:7772", { "2001:db8::7:7772", 7772 } },
        { "an IPv6 address in brackets", "[::1]", { "::1", 7772 } },
        { "an IPv6 address in brackets with a port", "[::1]:7773", { "::1", 7773 } },
        { "an IPv6 address with its zone, as the network list gives it", "[fe80::1%eth0]:7772",
            { "fe80::1%eth0", 7772 } },
        { "a bare IPv6 address with its zone", "fe80::1%wlp2s0", { "fe80::1%wlp2s0", 7772 } },
        { "an IPv4-mapped IPv6 address", "[::ffff:192.0.2.7]:5", { "::ffff:192.0.2.7", 5 } },
        { "pasted with blanks and a line end around it", "  \t192.0.2.7:7773\r\n", { "192.0.2.7", 7773 } },
        { "a host named like the scheme, with a port", "zirky:7773", { "zirky", 7773 } },
        { "an invite link", "zirky://ann-laptop", { "ann-laptop", 7772 } },
        { "an invite link with a port", "zirky://192.0.2.7:7773", { "192.0.2.7", 7773 } },
        { "an invite link in capitals", "ZIRKY://Ann-Laptop:7773", { "Ann-Laptop", 7773 } },
        { "an invite link with the slash a browser adds", "zirky://192.0.2.7:7773/", { "192.0.2.7", 7773 } },
        { "an invite link to IPv6", "zirky://[2001:db8::7]:7773", { "2001:db8::7", 7773 } },
        { "an invite link to IPv6 with an escaped zone", "zirky://[fe80::1%25eth0]", { "fe80::1%eth0", 7772 } },
        { "a name with an underscore (some home routers hand them out)", "ann_pc.lan", { "ann_pc.lan", 7772 } },
    };
    for (const AddressRow& r : rows) {
        const auto parsed = app::parseGameAddress(r.text, 7772);
        ASSERT_TRUE(parsed.address) << r.fault << ": " << app::addressProblemText(parsed.problem, r.text);
        EXPECT_EQ(*parsed.address, r.expected) << r.fault;
        EXPECT_EQ(parsed.problem, AddressProblem::None) << r.fault;
    }
}

TEST(GameAddress, EveryRefusedForm)
{
    using P = AddressProblem;
    const std::string tooLong(400, 'a');
    const AddressRow rows[] = {
        { "nothing typed", "", {}, P::Empty },
        { "only blanks", " \t ", {}, P::Empty },
        { "port zero", "h:0", {}, P::BadPort },
        { "port past the last", "h:65536", {}, P::BadPort },
        { "a port that overflows an int", "h:99999999999999999999", {}, P::BadPort },
        { "a negative port", "h:-1", {}, P::BadPort },
        { "an empty port", "h:", {}, P::BadPort },
        { "a port with letters", "h:77x2", {}, P::BadPort },
        { "a port after brackets that is not a number", "[::1]:x", {}, P::BadPort },
        { "an IPv4 address with five parts", "127.0.0.1.5", {}, P::BadHost },
        { "an IPv4 address part above 255", "192.0.2.256", {}, P::BadHost },
        { "the resolver's short IPv4 form", "127.1", {}, P::BadHost },
        { "digits alone", "7772", {}, P::BadHost },
        { "a blank inside", "ann laptop", {}, P::BadHost },
        { "a control character inside", "ann\x01laptop", {}, P::BadHost },
        { "a name with a slash", "ann/laptop", {}, P::BadHost },
        { "a name with letters outside ASCII", "\xc3\xa9t\xc3\xa9", {}, P::BadHost },
        { "a label starting with a hyphen", "-ann.lan", {}, P::BadHost },
        { "an empty label", "ann..lan", {}, P::BadHost },
        { "a label over 63 letters", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.lan", {}, P::BadHost },
        { "an unclosed bracket", "[::1", {}, P::BadHost },
        { "empty brackets", "[]:7772", {}, P::BadHost },
        { "IPv4 in brackets", "[192.0.2.7]", {}, P::BadHost },
        { "junk after the brackets", "[::1]7772", {}, P::BadHost },
        { "a bare IPv6 address that is not one", "1:2:3:4:5:6:7:8:9", {}, P::BadHost },
        { "a zone with a blank-free but hostile name", "fe80::1%eth0;rm", {}, P::BadHost },
        { "a zone too long for an interface", "fe80::1%abcdefghijklmnop", {}, P::BadHost },
        { "a host and two ports", "h:1:2", {}, P::BadHost },
        { "another scheme", "http://ann-laptop", {}, P::NotAZirkyLink },
        { "a link without its slashes", "zirky:ann-laptop", {}, P::NotAZirkyLink },
        { "a link with one slash", "zirky:/ann-laptop", {}, P::NotAZirkyLink },
        { "an empty link", "zirky://", {}, P::BadHost },
        { "a link with a path", "zirky://h/join", {}, P::LinkExtras },
        { "a link with a query", "zirky://h?x=1", {}, P::LinkExtras },
        { "a link with a fragment", "zirky://h#x", {}, P::LinkExtras },
        { "a link with a user", "zirky://ann@h", {}, P::LinkExtras },
        { "a link with two slashes at the end", "zirky://h//", {}, P::LinkExtras },
        { "a link to bare IPv6", "zirky://::1", {}, P::BadHost },
        { "a link with an escape in the name", "zirky://h%41", {}, P::BadHost },
        { "a link with a blank", "zirky://a b", {}, P::BadHost },
        { "text longer than any address", tooLong.c_str(), {}, P::TooLong },
    };
    for (const AddressRow& r : rows) {
        const auto parsed = app::parseGameAddress(r.text, 7772);
        EXPECT_FALSE(parsed.address) << r.fault << ": taken as " << (parsed.address ? parsed.address->host : "");
        EXPECT_EQ(parsed.problem, r.problem) << r.fault;
        EXPECT_FALSE(app::addressProblemText(parsed.problem, r.text).empty()) << r.fault;
    }
}

TEST(GameAddress, ProblemTextsRepeatAtMostAShortPieceOfWhatWasTyped)
{
    // A paste of a whole page must not become a message as long as the page,
    // nor cut a letter in half.
    const std::string typed = std::string(58, 'a') + "\xc3\xa9\xc3\xa9" + std::string(100, 'b');
    const std::string text = app::addressProblemText(AddressProblem::BadHost, typed);
    EXPECT_LT(text.size(), 120u);
    EXPECT_NE(text.find("a\xc3\xa9..."), std::string::npos) << text;
}

TEST(HostPort, WhatTheHostGameDialogTakes)
{
    struct Row {
        const char* fault;
        const char* text;
        bool lowPortsAllowed;
        int port; // 0: refused
    };
    const Row rows[] = {
        { "the game's own port refused", "7772", false, 7772 },
        { "blanks around the number refused", " 7773 ", false, 7773 },
        { "the highest port refused", "65535", false, 65535 },
        { "port zero taken (the system would pick one nobody knows)", "0", true, 0 },
        { "a port past the last taken", "65536", true, 0 },
        { "an empty field taken", "", true, 0 },
        { "a port with letters taken", "77a", true, 0 },
        { "a negative port taken", "-7772", true, 0 },
        { "a system port tried without the rights to it", "80", false, 0 },
        { "a system port refused to a program that may have it", "80", true, 80 },
    };
    for (const Row& r : rows) {
        const app::HostPort parsed = app::parseHostPort(r.text, r.lowPortsAllowed);
        EXPECT_EQ(parsed.port, r.port) << r.fault;
        EXPECT_EQ(parsed.problem.empty(), r.port != 0) << r.fault;
    }
}

TEST(InviteLink, WrittenAndReadBack)
{
    struct Row {
        const char* fault;
        GameAddress address;
        const char* link;
        const char* text;
    };
    const Row rows[] = {
        { "the usual port was written out", { "ann-laptop", 7772 }, "zirky://ann-laptop", "ann-laptop:7772" },
        { "another port was left out", { "192.0.2.7", 7773 }, "zirky://192.0.2.7:7773", "192.0.2.7:7773" },
        { "IPv6 without brackets cannot carry a port", { "2001:db8::7", 7773 }, "zirky://[2001:db8::7]:7773",
            "[2001:db8::7]:7773" },
        { "IPv6 on the usual port", { "::1", 7772 }, "zirky://[::1]", "[::1]:7772" },
        { "a zone's percent sign unescaped in a link", { "fe80::1%eth0", 7772 }, "zirky://[fe80::1%25eth0]",
            "[fe80::1%eth0]:7772" },
    };
    for (const Row& r : rows) {
        EXPECT_EQ(app::inviteLink(r.address), r.link) << r.fault;
        EXPECT_EQ(app::addressText(r.address), r.text) << r.fault;
        EXPECT_EQ(app::parseGameAddress(r.link, 7772).address, r.address) << r.fault << " (link)";
        EXPECT_EQ(app::parseGameAddress(r.text, 7772).address, r.address) << r.fault << " (text)";
        EXPECT_TRUE(app::looksLikeInviteLink(r.link)) << r.fault;
        EXPECT_FALSE(app::looksLikeInviteLink(r.text)) << r.fault;
    }
    EXPECT_TRUE(app::looksLikeInviteLink("Zirky:oops")) << "a broken link is still meant as one";
    EXPECT_FALSE(app::looksLikeInviteLink("zirky:7772")) << "a host named zirky";
    EXPECT_FALSE(app::looksLikeInviteLink("Ann"));
}

TEST(ReachableAddresses, OnlyWhatOthersCanUse)
{
    struct Row {
        const char* fault;
        std::vector<std::string> interfaces;
        const char* hostName;
        std::vector<std::string> shown;
    };
    const Row rows[] = {
        { "loopback offered to others", { "127.0.0.1", "::1", "192.168.1.5" }, "", { "192.168.1.5:7772" } },
        { "an IPv6 link-local address offered without the joiner's interface",
            { "fe80::1%eth0", "2001:db8::5", "fd00::5" }, "", { "[2001:db8::5]:7772", "[fd00::5]:7772" } },
        { "IPv6 listed before IPv4", { "2001:db8::5", "10.0.0.2" }, "box",
            { "10.0.0.2:7772", "[2001:db8::5]:7772", "box:7772" } },
        { "an address listed once per interface that has it", { "10.0.0.2", "10.0.0.2" }, "", { "10.0.0.2:7772" } },
        { "localhost offered as a name", {}, "localhost", {} },
        { "a host name that is not one", {}, "my box", {} },
        { "the unspecified addresses offered", { "0.0.0.0", "::" }, "", {} },
        { "text that is no address taken for one", { "eth0", "" }, "", {} },
    };
    for (const Row& r : rows) {
        std::vector<std::string> shown;
        for (const GameAddress& a : app::reachableAddresses(r.interfaces, r.hostName, 7772))
            shown.push_back(app::addressText(a));
        EXPECT_EQ(shown, r.shown) << r.fault;
    }
}

TEST(PlayerName, WhatTheHostTakes)
{
    using P = app::NameProblem;
    struct Row {
        const char* fault;
        std::string name;
        P problem;
    };
    const Row rows[] = {
        { "an ordinary name refused", "Ann", P::None },
        { "an empty name taken", "", P::Empty },
        { "blanks taken for a name", "  \t", P::Empty },
        { "a name of exactly the host's limit refused", std::string(100, 'a'), P::None },
        { "the limit's blanks around it counted", "  " + std::string(100, 'a') + "  ", P::None },
        { "a name past the host's limit taken (the host would cut it)", std::string(101, 'a'), P::TooLong },
        { "fifty-one two-byte letters are over the limit", [] {
             std::string s;
             for (int i = 0; i < 51; ++i)
                 s += "\xc3\xa9";
             return s;
         }(),
            P::TooLong },
    };
    for (const Row& r : rows) {
        EXPECT_EQ(app::nameProblem(r.name), r.problem) << r.fault;
        EXPECT_EQ(app::nameProblemText(r.problem).empty(), r.problem == P::None) << r.fault;
    }
    EXPECT_EQ(app::trimmedName("  Ann Lee \n"), "Ann Lee");
}

TEST(PlayerName, OfferedBeforeAnyIsTyped)
{
    struct Row {
        const char* fault;
        std::string gecos;
        const char* login;
        std::string offered;
    };
    std::string longName;
    for (int i = 0; i < 60; ++i)
        longName += "\xc3\xa9"; // 120 bytes
    const Row rows[] = {
        { "the full name was not used", "Ann Lee,Room 4,555-1234,,", "ann", "Ann Lee" },
        { "the office and phone were kept", "Ann Lee,,,", "ann", "Ann Lee" },
        { "an empty full name gave an empty name", "", "ann", "ann" },
        { "a full name of commas gave an empty name", ",,,", "ann", "ann" },
        { "the & shorthand was shown as is", "& Lee", "ann", "Ann Lee" },
        { "a full name in another encoding was shown as garbage", "Ren\xe9", "rene", "rene" },
        { "a long full name went past the host's limit", longName, "ann", longName.substr(0, 100) },
        { "no login at all gave an empty name", "", "", "You" },
        { "blanks around the full name were kept", "  Ann  ", "ann", "Ann" },
    };
    for (const Row& r : rows) {
        const std::string offered = app::defaultPlayerName(r.gecos, r.login);
        EXPECT_EQ(offered, r.offered) << r.fault;
        EXPECT_EQ(app::nameProblem(offered), app::NameProblem::None) << r.fault;
    }
    EXPECT_FALSE(app::loginPlayerName().empty());
}

} // namespace
