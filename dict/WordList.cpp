#include "WordList.h"

#include "WordListBuilder.h"

#include <cstring>

extern "C" {
extern const unsigned char zirky_wordlist_begin[];
extern const unsigned char zirky_wordlist_end[];
extern const unsigned char zirky_wordmarks_begin[];
extern const unsigned char zirky_wordmarks_end[];
}

namespace dict
{

std::span<const unsigned char> builtInWordList()
{
    return { zirky_wordlist_begin, static_cast<std::size_t>(zirky_wordlist_end - zirky_wordlist_begin) };
}

std::span<const unsigned char> builtInWordMarks()
{
    return { zirky_wordmarks_begin, static_cast<std::size_t>(zirky_wordmarks_end - zirky_wordmarks_begin) };
}

std::optional<WordMark> builtInMarkOf(std::string_view word)
{
    if (word.empty() || word.size() > kWordField)
        return std::nullopt;
    char key[kWordField];
    std::memset(key, ' ', sizeof key);
    for (std::size_t i = 0; i < word.size(); ++i) {
        const char c = word[i];
        key[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    const auto list = builtInWordList();
    std::size_t lo = 0;
    std::size_t hi = list.size() / kRecordSize;
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        const int order = std::memcmp(list.data() + mid * kRecordSize + 1, key, kWordField);
        if (order == 0)
            return markAt(builtInWordMarks(), mid);
        if (order < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return std::nullopt;
}

bool isOffensive(std::string_view word)
{
    const auto mark = builtInMarkOf(word);
    return mark && mark->offensive;
}

} // namespace dict
