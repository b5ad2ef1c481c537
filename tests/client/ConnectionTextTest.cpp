// What the player reads when a game cannot be reached: plain words naming the
// address, whatever the socket reported.

#include "client/ConnectionText.h"

#include <gtest/gtest.h>

namespace
{

TEST(ConnectionText, SocketReportsInPlainWords)
{
    struct Row {
        const char* fault;
        const char* report;
        const char* told;
    };
    const Row rows[] = {
        { "an unknown name showed an error number", "Error #11001 (WSAHOST_NOT_FOUND)",
            "The address box.example cannot be found." },
        { "a resolver that could not answer now showed an error number", "Error #11002 (WSATRY_AGAIN)",
            "The address box.example cannot be found." },
        { "a failed resolver showed an error number", "Error #11003 (WSANO_RECOVERY)",
            "The address box.example cannot be found." },
        { "a name without an address showed an error number", "Error #11004 (WSANO_DATA)",
            "The address box.example cannot be found." },
        { "a literal the socket refused", "Host Lookup - Could Not Find Host Entry",
            "The address box.example cannot be found." },
        { "a refused connection", "Error #10061 (WSAECONNREFUSED)", "No game is running at box.example port 7773." },
        { "a host that never answered", "Error #10060 (WSAETIMEDOUT)",
            "The game at box.example port 7773 did not answer." },
        { "a network out of reach", "Error #10051 (WSAENETUNREACH)", "The computer at box.example cannot be reached." },
        { "anything else", "UNKNOWN ERROR", "Could not connect to the game at box.example port 7773." },
    };
    for (const Row& r : rows)
        EXPECT_EQ(client::cannotConnectText(r.report, "box.example", 7773), r.told) << r.fault;
}

} // namespace
