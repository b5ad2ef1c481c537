#include "LaunchPlan.h"

#include "GameAddress.h"

namespace app
{

LaunchPlan planLaunch(const std::vector<std::string>& args)
{
    LaunchPlan plan;
    if (args.empty()) {
        plan.role = LaunchPlan::Role::Solo;
        plan.firstChatLine = "0+Loading Solo Game..Please wait.";
        plan.showDownloadWindow = true;
        plan.hostAddress = "127.0.0.1";
        plan.connectTo = "127.0.0.1";
        plan.playerName = "You";
        return plan;
    }
    plan.role = LaunchPlan::Role::None;
    plan.firstChatLine = "0+Loading Multi-player Game.. Please Wait.";
    // A link clicked in a browser or a chat program: the player confirms it in
    // the Join dialog, so a link alone never connects anywhere.
    if (args.size() == 1 && looksLikeInviteLink(args[0])) {
        plan.role = LaunchPlan::Role::Invite;
        plan.inviteLink = args[0];
        return plan;
    }
    // Arguments are taken in order: the role is decided when the third is
    // reached, so the fourth can only restrict what follows.
    std::string keptName, keptAddress;
    for (std::size_t i = 0; i < args.size(); ++i) {
        switch (i) {
        case 0:
            keptName = args[i];
            break;
        case 1:
            keptAddress = args[i];
            break;
        case 2:
            plan.playerName = keptName;
            plan.hostAddress = keptAddress;
            if (args[i] == "true") {
                plan.role = LaunchPlan::Role::Host;
                plan.connectTo = "127.0.0.1";
            } else {
                plan.role = LaunchPlan::Role::Join;
                plan.connectTo = keptAddress;
            }
            plan.openLobbyLink = true;
            break;
        case 3:
            if (args[i] == "s")
                plan.hideFastGame = true;
            break;
        default:
            break;
        }
    }
    return plan;
}

EarlyExit earlyExit(const std::vector<std::string>& args)
{
    if (args.size() != 1)
        return EarlyExit::None;
    if (args[0] == "--help")
        return EarlyExit::Help;
    if (args[0] == "--version")
        return EarlyExit::Version;
    return EarlyExit::None;
}

std::string usageText()
{
    return "Usage: zirky [NAME ADDRESS ROLE [SPEED]]\n"
           "       zirky zirky://HOST[:PORT]\n"
           "\n"
           "Without arguments, starts a solo game against a host on this machine;\n"
           "File > Host Game... and File > Join Game... play with others.\n"
           "An invite link opens the Join Game window filled in (in the copy that\n"
           "already runs, if there is one).\n"
           "\n"
           "  NAME     the player's name\n"
           "  ADDRESS  the host's address (dotted address or host name)\n"
           "  ROLE     \"true\" to host the game on TCP port 7772; anything else joins ADDRESS\n"
           "  SPEED    \"s\" offers only slow games\n"
           "\n"
           "A multi-player game also holds a connection open to the lobby on 127.0.0.1:9001.\n"
           "\n"
           "  --help     show this text\n"
           "  --version  show the game's version\n"
           "\n"
           "Environment: ZIRKY_LOG_CHAT=1 echoes every chat line to stderr;\n"
           "             ZIRKY_LOG_GAME=1 echoes every message from the game host to stderr;\n"
           "             ZIRKY_PORT=N uses port N instead of 7772 (to host or join).\n";
}

} // namespace app
