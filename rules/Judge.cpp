#include "Judge.h"

namespace rules
{

namespace
{
Verdict reject(std::string reason) { return Verdict { false, std::move(reason), -1 }; }

const std::array<std::string, kWordsPerLength>& row(const WordTable& words, int length)
{
    return words[static_cast<std::size_t>(length - kMinWordLength)];
}

bool rowHolds(const WordTable& words, int length, std::string_view word)
{
    for (const std::string& w : row(words, length))
        if (!w.empty() && w == word)
            return true;
    return false;
}
} // namespace

namespace reason
{
std::string alreadyPlayed(std::string_view word) { return "+ Rejected: " + std::string(word) + " already played"; }
std::string pluralPlayed(std::string_view word)
{
    return "+ Rejected: plural of " + std::string(word) + " already played";
}
std::string singularPlayed(std::string_view word)
{
    return "+ Rejected: singular of " + std::string(word) + " already played";
}
std::string boxFull(int length) { return "+ Rejected: the " + std::to_string(length) + "-letter box is full"; }
} // namespace reason

Verdict judgeWord(std::string_view word, const WordTable& words, bool zirked,
    const std::function<bool(std::string_view)>& isWord, const std::function<bool(std::string_view)>& refused)
{
    const int length = static_cast<int>(word.size());
    if (length < kMinWordLength)
        return reject(std::string(reason::kTooShort));
    if (length > kMaxWordLength)
        return reject(std::string(reason::kTooLong));
    if (length == kMinWordLength && zirked)
        return reject(std::string(reason::kZirkedThree));
    if (!isWord || !isWord(word))
        return reject(std::string(reason::kNotAWord));
    if (refused && refused(word))
        return reject(std::string(reason::kRefusedWord));
    if (rowHolds(words, length, word))
        return reject(reason::alreadyPlayed(word));
    if (length < kMaxWordLength && word != "NEEDLESS" && rowHolds(words, length + 1, std::string(word) + "S"))
        return reject(reason::pluralPlayed(word));
    if (length > kMinWordLength && word != "NEEDLES" && word.back() == 'S'
        && rowHolds(words, length - 1, word.substr(0, word.size() - 1)))
        return reject(reason::singularPlayed(word));
    const auto& slots = row(words, length);
    for (int i = 0; i < kWordsPerLength; ++i)
        if (slots[static_cast<std::size_t>(i)].empty())
            return Verdict { true, {}, i };
    return reject(reason::boxFull(length));
}

} // namespace rules
