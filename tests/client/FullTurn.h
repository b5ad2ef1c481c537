#pragma once
// A fast-game turn as the host would tell it, at its fullest: five players with
// long names and a free seat, the category boxes full, five ten-letter words,
// long word lists for everyone, and a result line with a bonus. The words are
// picked for their width (M and W), not to come from one rack. The lines go
// straight to the window's session, as its connection would hand them on.

#include "client/ClientConnection.h"
#include "client/MainWindow.h"
#include "net/Commands.h"

#include <array>
#include <string>
#include <vector>

namespace fullturn
{

inline const std::array<std::array<const char*, 5>, 8> kWords { {
    { "WOW", "MOM", "MEW", "HEM", "OWN" },
    { "WHOM", "MEOW", "WOMB", "MOWN", "MUMS" },
    { "WOMAN", "WOMEN", "MUMMY", "WOMBS", "WHOMP" },
    { "WOMBAT", "MOMENT", "WIGWAM", "MAMMON", "MOWERS" },
    { "WOMBATS", "MOMENTS", "WIGWAMS", "MAMMOTH", "MUMBLED" },
    { "MAMMOTHS", "MOMENTUM", "HOMEWORK", "WOMANISH", "MINIMUMS" },
    { "MOMENTUMS", "WOMANHOOD", "MUMMIFIED", "WOODWORMS", "WORKWOMAN" },
    { "WOMANHOODS", "MUMMIFYING", "WHOMSOEVER", "WOMENFOLKS", "MEADOWLARK" },
} };

// Seat 4 stays free.
inline const std::array<const char*, 6> kNames { "Ann", "Bartholomew", "Wilhelmina Mumm", "", "Computer (Hard)",
    "Maximilian" };

inline std::string unframed(std::string framed)
{
    framed.pop_back();
    return framed;
}

// Ann in seat 1 (the host's own player), the table, a fast game started and dealt.
inline std::vector<std::string> dealt()
{
    std::vector<std::string> lines { net::msg::sendlogininfo(1) };
    for (int seat = 1; seat <= 6; ++seat)
        if (*kNames[static_cast<std::size_t>(seat - 1)])
            lines.push_back(seat == 1 ? net::msg::newplayerinfo(seat, kNames[0])
                                      : net::msg::existingplayers(seat, kNames[static_cast<std::size_t>(seat - 1)]));
    net::GameOptions options;
    options.fast = true;
    lines.push_back(net::msg::startgameRelay(kNames[0], options));
    lines.push_back(net::msg::nextplayer(1));
    lines.push_back(net::msg::thedice(1, net::kDiceTen, { 'S', 'T', 'R', 'A', 'I', 'N', 'E', 'D', 'O', 'M' }));
    for (auto& l : lines)
        l = unframed(l);
    return lines;
}

// Every box filled with its five words but the 5- and 7-letter boxes, which
// keep a place for the words missed; the others' words reach the lists.
inline std::vector<std::string> boxesFull()
{
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < kWords.size(); ++i) {
        const int length = static_cast<int>(i) + 3;
        const std::size_t played = length == 5 || length == 7 ? 4 : 5;
        for (std::size_t w = 0; w < played; ++w) {
            lines.push_back(net::msg::accepted(length, kWords[i][w]));
            lines.push_back(net::msg::addaword(1, length, kWords[i][w]));
            // The others found fewer, the more so the longer the words.
            for (int seat : { 2, 3, 5, 6 })
                if (w + i / 2 < static_cast<std::size_t>(seat))
                    lines.push_back(net::msg::addaword(seat, length, kWords[i][(w + 1) % 5]));
        }
    }
    for (auto& l : lines)
        l = unframed(l);
    return lines;
}

// The clock ran out: scores for everyone, then the lists and the missed words.
inline std::vector<std::string> turnOver()
{
    std::vector<std::string> lines;
    int total = 2350;
    for (int seat : { 2, 3, 5, 6, 1 }) {
        const int points = seat == 1 ? 20850 : 1050 * seat;
        lines.push_back(net::msg::scores(seat, points, 1300, seat == 1 ? 38 : 4 * seat, total + points + 1300, seat,
            total + points + 1300));
        total += 1000;
    }
    lines.push_back(net::msg::turnend());
    for (auto& l : lines)
        l = unframed(l);
    return lines;
}

inline void feed(MainWindow& window, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        emit window.connection()->lineReceived(line);
}

} // namespace fullturn
