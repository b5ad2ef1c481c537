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

Verdict judgeWord(std::string_view word, const WordTable& words, bool zirked,
    const std::function<bool(std::string_view)>& isWord, const std::function<bool(std::string_view)>& refused)
{
    const int length = static_cast<int>(word.size());
    if (length < kMinWordLength || length > kMaxWordLength)
        return reject(std::string(kRejected));
    if (length == kMinWordLength && zirked)
        return reject(std::string(kRejected));
    if (!isWord || !isWord(word))
        return reject(std::string(kRejected));
    if (refused && refused(word))
        return reject(std::string(kRefusedWord));
    if (rowHolds(words, length, word))
        return reject(std::string(kWordExists));
    if (length < kMaxWordLength && word != "NEEDLESS" && rowHolds(words, length + 1, std::string(word) + "S"))
        return reject(std::string(kPluralExists));
    if (length > kMinWordLength && word != "NEEDLES" && word.back() == 'S'
        && rowHolds(words, length - 1, word.substr(0, word.size() - 1)))
        return reject(std::string(kSingularExists));
    const auto& slots = row(words, length);
    for (int i = 0; i < kWordsPerLength; ++i)
        if (slots[static_cast<std::size_t>(i)].empty())
            return Verdict { true, {}, i };
    return reject("+ " + std::to_string(length) + " letter box full!");
}

} // namespace rules
