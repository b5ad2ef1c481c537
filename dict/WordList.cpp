#include "WordList.h"

extern "C" {
extern const unsigned char zirky_wordlist_begin[];
extern const unsigned char zirky_wordlist_end[];
}

namespace dict
{

std::span<const unsigned char> builtInWordList()
{
    return { zirky_wordlist_begin, static_cast<std::size_t>(zirky_wordlist_end - zirky_wordlist_begin) };
}

} // namespace dict
