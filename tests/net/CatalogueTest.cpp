// The catalogue of commands against the protocol reference page and against
// the two programs that speak it: the page names every command, in its
// direction and kind, and nothing else; the host hears exactly what a window
// may send; the client's session routes only what a host may send; and a host
// playing real games sends every host command and nothing else.

#include "client/Session.h"
#include "host/HostTable.h"
#include "net/Commands.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using net::Direction;

namespace
{

std::string readPage()
{
    std::ifstream in(ZIRKY_PROTOCOL_PAGE, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string directionText(Direction d)
{
    switch (d) {
    case Direction::ToHost:
        return "client to host";
    case Direction::ToClient:
        return "host to client";
    case Direction::Both:
        return "both ways";
    }
    return {};
}

// Every way the page and the catalogue disagree, one line each naming the command.
std::vector<std::string> drift(const std::string& page)
{
    struct Row {
        std::string direction;
        std::string kind;
    };
    std::multimap<std::string, Row> rows;
    std::multiset<std::string> sections;
    std::set<std::string> mentioned;
    static const std::regex row(R"(^\| `(CMD_\w+)` \| ([^|]+?) \| (\w+) \|\s*$)");
    static const std::regex section(R"(^### `(CMD_\w+)`\s*$)");
    static const std::regex anyName(R"(CMD_\w+)");
    std::istringstream lines(page);
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (std::regex_match(line, m, row))
            rows.insert({ m[1], { m[2], m[3] } });
        else if (std::regex_match(line, m, section))
            sections.insert(m[1]);
        for (auto it = std::sregex_iterator(line.begin(), line.end(), anyName); it != std::sregex_iterator(); ++it)
            mentioned.insert(it->str());
    }

    std::vector<std::string> problems;
    for (const net::Command& c : net::kCatalogue) {
        const std::string name(c.name);
        const auto [first, last] = rows.equal_range(name);
        if (std::distance(first, last) != 1) {
            problems.push_back(name + ": " + std::to_string(std::distance(first, last)) + " rows in the table");
        } else {
            if (first->second.direction != directionText(c.direction))
                problems.push_back(name + ": the table says " + first->second.direction);
            if (first->second.kind != (c.added ? "added" : "original"))
                problems.push_back(name + ": the table says " + first->second.kind);
        }
        if (sections.count(name) != 1)
            problems.push_back(name + ": " + std::to_string(sections.count(name)) + " sections");
    }
    for (const std::string& name : mentioned)
        if (!net::findCommand(name))
            problems.push_back(name + ": on the page but not a command");
    return problems;
}

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    const auto at = text.find(from);
    if (at == std::string::npos)
        return "(" + from + " is not on the page)";
    return text.replace(at, from.size(), to);
}

} // namespace

TEST(ProtocolPage, DescribesEveryCommandOfTheCatalogueAsItIs)
{
    const std::string page = readPage();
    ASSERT_FALSE(page.empty()) << "cannot read " << ZIRKY_PROTOCOL_PAGE;
    for (const std::string& problem : drift(page))
        ADD_FAILURE() << problem;
}

TEST(ProtocolPage, EveryKindOfDriftIsCaught)
{
    const std::string page = readPage();
    struct Row {
        const char* fault;
        std::string page;
        std::string command;
    };
    const Row rows[] = {
        { "a command left out of the table", replaced(page, "| `CMD_pong` | host to client | added |\n", ""),
            "CMD_pong" },
        { "a direction turned round",
            replaced(page, "| `CMD_ping` | client to host |", "| `CMD_ping` | host to client |"), "CMD_ping" },
        { "a command used both ways shown one way",
            replaced(page, "| `CMD_setdice` | both ways |", "| `CMD_setdice` | client to host |"), "CMD_setdice" },
        { "an addition passed off as an original",
            replaced(page, "| `CMD_clock` | host to client | added |", "| `CMD_clock` | host to client | original |"),
            "CMD_clock" },
        { "a command listed twice",
            replaced(page, "| `CMD_full` | host to client | original |\n",
                "| `CMD_full` | host to client | original |\n| `CMD_full` | host to client | original |\n"),
            "CMD_full" },
        { "a command's section lost", replaced(page, "### `CMD_seatback`\n", ""), "CMD_seatback" },
        { "a section for a command that is gone", page + "\n### `CMD_gone`\n", "CMD_gone" },
        { "a misspelt command in the prose", page + "\nA window sends `CMD_logininf` first.\n", "CMD_logininf" },
    };
    for (const Row& r : rows) {
        const std::vector<std::string> found = drift(r.page);
        const bool named = std::any_of(
            found.begin(), found.end(), [&](const std::string& p) { return p.rfind(r.command + ":", 0) == 0; });
        EXPECT_TRUE(named) << r.fault;
    }
}

TEST(Catalogue, EachCommandOnceAndKnownByItsName)
{
    std::set<std::string_view> names;
    for (const net::Command& c : net::kCatalogue) {
        EXPECT_TRUE(names.insert(c.name).second) << c.name << " is catalogued twice";
        EXPECT_EQ(net::findCommand(c.name), &c) << c.name;
    }
    for (std::string_view notACommand : { "", "CMD_", "cmd_chat", "CMD_chat+", "CMD_Chat", "CMD_chatx", "chat" })
        EXPECT_EQ(net::findCommand(notACommand), nullptr) << notACommand;
}

TEST(Catalogue, TheHostHearsExactlyWhatAWindowMaySend)
{
    hosttest::HostTable t;
    for (const net::Command& c : net::kCatalogue)
        EXPECT_EQ(t.game.handles(c.name), net::clientSends(c.name)) << c.name;
}

TEST(Catalogue, TheSessionHearsOnlyWhatAHostMaySendAndEveryOriginalHostMessage)
{
    client::Session session(1);
    for (const net::Command& c : net::kCatalogue) {
        if (session.handles(c.name)) {
            EXPECT_TRUE(net::hostSends(c.name)) << c.name << " is routed but no host sends it";
        } else if (!c.added) {
            EXPECT_FALSE(net::hostSends(c.name)) << c.name << " comes from every host but is not routed";
        }
    }
}

namespace
{

// The command words of everything the host sent, in any game played on `t`.
void collect(const hosttest::HostTable& t, std::set<std::string>& sent)
{
    for (const auto& [seat, messages] : t.link.inbox)
        for (const std::string& m : messages)
            sent.insert(m.substr(0, m.find('+')));
}

std::string tokenOf(const hosttest::RecordingLink& link, int seat)
{
    const auto sent = link.to(seat, net::cmd::seattoken);
    return sent.empty() ? std::string() : sent.back().substr(sent.back().rfind('+') + 1);
}

} // namespace

TEST(Catalogue, AHostPlayingGamesSendsEveryHostCommandAndNothingElse)
{
    using hosttest::HostTable;
    std::set<std::string> sent;

    // A slow game with everything a table goes through.
    {
        HostTable t;
        t.join("Ann");
        t.join("Bob");
        t.join("Cy", "0.9"); // another version
        t.join("ann"); // a taken name
        t.say(1, net::msg::chat(1, "hi|clBlack"));
        t.say(1, net::msg::action(1, "waves|clBlack"));
        t.say(1, net::msg::playasound(1, "wave3"));
        t.say(2, net::msg::justwatch(2, true));
        t.say(2, net::msg::justwatch(2, false));
        t.start();
        t.say(1, net::msg::setdice(1, 1, 3));
        t.say(1, net::msg::clearthem(1));
        t.say(1, net::msg::newtiles(1));
        t.say(1, net::msg::oldtiles(1));
        t.playWords(1, 4, 1);
        t.play(1, { 1, 1, 1 });
        t.finishTurn();
        // Bob's link fails during Cy's turn; he comes back on a new connection.
        const std::string bob = tokenOf(t.link, 2);
        t.game.closed(2);
        const int fresh = t.game.accepted();
        t.say(fresh, net::msg::rejoin(fresh, bob, rules::kVersion));
        const int stranger = t.game.accepted();
        t.say(stranger, net::msg::rejoin(stranger, std::string(32, 'f'), rules::kVersion));
        t.say(stranger, net::msg::ping("7"));
        t.say(1, net::msg::kickhim(1, 4));
        t.game.closed(4);
        collect(t, sent);
    }
    // A fast game to its winner.
    {
        HostTable t;
        t.seat(2);
        t.start({ .fast = true, .playTo = 1 });
        t.playWords(1, 4, 2);
        t.say(1, net::msg::finish(1));
        t.say(2, net::msg::finish(2));
        t.finishTurn();
        collect(t, sent);
    }
    // A full house.
    {
        HostTable t;
        t.seat(9);
        t.game.accepted();
        collect(t, sent);
    }

    for (const std::string& command : sent)
        EXPECT_TRUE(net::hostSends(command)) << command << " is sent but not catalogued as a host message";
    for (const net::Command& c : net::kCatalogue)
        EXPECT_EQ(sent.count(std::string(c.name)) == 1, net::hostSends(c.name))
            << c.name << (net::hostSends(c.name) ? " is catalogued but never sent" : " is sent by the host");
}
