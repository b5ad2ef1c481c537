#include "Wording.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace client
{

namespace
{

bool isLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

std::string lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool endsWith(std::string_view s, std::string_view tail)
{
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// `text` in capitals when `like` ends in one, so that a shout stays a shout.
std::string caseOf(std::string text, std::string_view like)
{
    if (!like.empty() && std::isupper(static_cast<unsigned char>(like.back())))
        for (char& c : text)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The stem of a verb in the third person, or the word itself when it is none.
std::string baseForm(std::string_view word)
{
    const std::string w = lower(word);
    struct Irregular {
        std::string_view third, base;
    };
    constexpr std::array<Irregular, 4> irregular
        = { { { "is", "are" }, { "has", "have" }, { "was", "were" }, { "does", "do" } } };
    for (const Irregular& i : irregular)
        if (w == i.third)
            return caseOf(std::string(i.base), word);
    // Words that end in s without being a verb in the third person.
    constexpr std::array<std::string_view, 10> keep
        = { "yes", "this", "thus", "always", "perhaps", "sometimes", "as", "us", "his", "its" };
    if (std::find(keep.begin(), keep.end(), w) != keep.end() || !endsWith(w, "s") || endsWith(w, "ss")
        || endsWith(w, "us") || endsWith(w, "is"))
        return std::string(word);
    if (endsWith(w, "ies") && w.size() > 4) // cries -> cry, but dies -> die
        return std::string(word.substr(0, word.size() - 3)) + caseOf("y", word);
    for (std::string_view tail : { "sses", "shes", "ches", "xes", "zzes", "oes" })
        if (endsWith(w, tail))
            return std::string(word.substr(0, word.size() - 2));
    return std::string(word.substr(0, word.size() - 1));
}

} // namespace

std::string countOf(long long n, std::string_view one, std::string_view many)
{
    return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

std::string secondPerson(std::string_view phrase)
{
    const std::size_t end = std::min(phrase.find(' '), phrase.size());
    std::size_t letters = 0;
    while (letters < end && isLetter(phrase[letters]))
        ++letters;
    if (letters == 0)
        return std::string(phrase);
    return baseForm(phrase.substr(0, letters)) + std::string(phrase.substr(letters));
}

std::string ownLine(std::string_view line, int mySeat, std::string_view myName)
{
    const std::string seatPrefix = std::to_string(mySeat) + "+";
    if (myName.empty() || line.substr(0, seatPrefix.size()) != seatPrefix)
        return std::string(line);
    std::string_view said = line.substr(seatPrefix.size());
    if (said.substr(0, myName.size()) != myName || said.size() <= myName.size() || said[myName.size()] != ' ')
        return std::string(line);
    said.remove_prefix(myName.size() + 1);
    constexpr std::string_view chats = "chats: ";
    if (said.substr(0, chats.size()) == chats)
        return seatPrefix + "You chat: " + std::string(said.substr(chats.size()));
    return seatPrefix + "You " + secondPerson(said);
}

std::string boxCaption(int length, bool full, bool closed)
{
    std::string caption = std::to_string(length) + " Letters";
    if (closed)
        caption += ": closed";
    else if (full)
        caption += ": full";
    return caption;
}

std::string tileWords(int number, char letter, int wordPlace)
{
    const std::string tile = "tile " + std::to_string(number);
    if (!isLetter(letter))
        return "Empty " + tile;
    std::string words(1, letter);
    words += wordPlace > 0 ? ", in the word at place " + std::to_string(wordPlace) : ", on the rack";
    return words + ", " + tile;
}

std::string boxWords(int length, const std::vector<std::string>& words, int points, bool full, bool closed)
{
    std::string out = std::to_string(length) + " Letters";
    if (closed)
        out += ", closed this turn";
    else if (full)
        out += ", full";
    if (words.empty())
        return out + ": no words";
    out += ": " + wordCount(static_cast<long long>(words.size())) + ", " + countOf(points, "point", "points") + ": ";
    for (std::size_t i = 0; i < words.size(); ++i)
        out += (i ? ", " : "") + words[i];
    return out;
}

std::string seatWords(const SeatFacts& s)
{
    std::string out = "Seat " + std::to_string(s.seat) + ": ";
    if (s.free)
        return out + "free";
    out += s.name + (s.mine ? " (you)" : "") + ", " + s.score + " points";
    if (s.bonus == "finished")
        out += ", voted to finish";
    else if (s.bonus == "-500")
        out += ", lost 500 this turn";
    else if (!s.bonus.empty())
        out += ", " + s.bonus + " this turn";
    if (s.onTurn)
        out += s.mine ? ", your turn" : ", on turn";
    if (s.watching)
        out += ", just watching";
    if (s.boughtTiles)
        out += ", bought new tiles";
    return out;
}

std::string clockWords(const std::string& timeText, int seconds, bool running)
{
    return running && seconds <= kHurrySeconds ? timeText + ", hurry" : timeText;
}

} // namespace client
