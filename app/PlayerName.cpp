#include "PlayerName.h"

#include "net/Text.h"
#include "rules/Seats.h"

#include <pwd.h>
#include <unistd.h>

#include <cctype>

namespace app
{

namespace
{

std::string_view trim(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::string fitted(std::string_view utf8)
{
    if (utf8.size() <= rules::kMaxNameBytes)
        return std::string(utf8);
    std::size_t end = rules::kMaxNameBytes;
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
        --end;
    return std::string(trim(utf8.substr(0, end)));
}

} // namespace

std::string trimmedName(std::string_view name) { return std::string(trim(name)); }

NameProblem nameProblem(std::string_view name)
{
    name = trim(name);
    if (name.empty())
        return NameProblem::Empty;
    if (name.size() > rules::kMaxNameBytes)
        return NameProblem::TooLong;
    return NameProblem::None;
}

std::string nameProblemText(NameProblem problem)
{
    switch (problem) {
    case NameProblem::None:
        return {};
    case NameProblem::Empty:
        return "Type the name the others will see you by.";
    case NameProblem::TooLong:
        return "That name is too long: a name may have at most " + std::to_string(rules::kMaxNameBytes)
            + " bytes (most letters take one, accented letters two, other scripts up to four).";
    }
    return {};
}

std::string defaultPlayerName(std::string_view gecos, std::string_view loginName)
{
    loginName = trim(loginName);
    // Bytes in another encoding would show as garbage to every other player.
    if (!net::isValidUtf8(gecos))
        gecos = {};
    std::string full;
    for (char c : gecos.substr(0, gecos.find(','))) {
        if (c != '&') {
            full.push_back(c);
            continue;
        }
        std::string login(loginName);
        if (!login.empty())
            login[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(login[0])));
        full += login;
    }
    if (nameProblem(full) == NameProblem::None)
        return trimmedName(full);
    if (!trim(full).empty())
        return fitted(trim(full));
    if (!loginName.empty() && net::isValidUtf8(loginName))
        return fitted(loginName);
    return "You";
}

std::string loginPlayerName()
{
    const passwd* entry = ::getpwuid(::getuid());
    if (!entry)
        return defaultPlayerName({}, {});
    return defaultPlayerName(entry->pw_gecos ? entry->pw_gecos : "", entry->pw_name ? entry->pw_name : "");
}

} // namespace app
