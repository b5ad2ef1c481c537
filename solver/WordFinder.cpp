#include "WordFinder.h"

#include <dict/WordList.h>
#include <dict/WordListBuilder.h>

#include <algorithm>
#include <bit>
#include <limits>

namespace solver
{

namespace
{

constexpr int kLetters = 26;
constexpr int kBitsPerLetter = 5;

// Keys hold a group's letters in order, first letter highest, five bits each,
// unused places 0: comparing the numbers orders the groups as their letters,
// a prefix before its extensions.
int letterAt(std::uint64_t key, int place)
{
    return static_cast<int>((key >> (kBitsPerLetter * (kMaxWord - 1 - place))) & 0x1F);
}

// Leading letter places two keys share.
int commonPlaces(std::uint64_t a, std::uint64_t b)
{
    constexpr int kUnusedBits = 64 - kBitsPerLetter * kMaxWord;
    if (a == b)
        return kMaxWord;
    return (std::countl_zero(a ^ b) - kUnusedBits) / kBitsPerLetter;
}

// Packed to 12 bytes: the sort moves these around several times, and the
// memory they touch is most of what preparing the finder costs.
#pragma pack(push, 4)
struct Entry {
    std::uint64_t key;
    std::uint32_t word; // record index << 4 | length
};
#pragma pack(pop)
static_assert(sizeof(Entry) == 12);

// Least significant digit first, stable: words of one letter group keep the
// list's order. Several times faster than a comparison sort here, which keeps
// preparing the finder well inside the time a program start can spare.
void sortByKey(std::vector<Entry>& entries)
{
    constexpr int kDigitBits = 13; // four passes over the 50 key bits
    constexpr std::size_t kBuckets = std::size_t { 1 } << kDigitBits;
    std::vector<Entry> other(entries.size());
    for (int shift = 0; shift < kBitsPerLetter * kMaxWord; shift += kDigitBits) {
        std::vector<std::uint32_t> start(kBuckets + 1, 0);
        for (const Entry& e : entries)
            ++start[((e.key >> shift) & (kBuckets - 1)) + 1];
        for (std::size_t b = 1; b <= kBuckets; ++b)
            start[b] += start[b - 1];
        for (const Entry& e : entries)
            other[start[(e.key >> shift) & (kBuckets - 1)]++] = e;
        entries.swap(other);
    }
}

} // namespace

struct WordFinder::Search {
    std::array<std::uint8_t, kLetters + 1> counts {};
    // Tile numbers holding each letter, lowest first.
    std::array<std::array<std::uint8_t, kMaxRack>, kLetters + 1> tilesOf {};
    std::vector<FoundWord>* out = nullptr;
};

WordFinder::WordFinder()
    : WordFinder(dict::builtInWordList(), dict::builtInWordMarks())
{
}

WordFinder::WordFinder(std::span<const unsigned char> records, std::span<const unsigned char> marks)
    : m_marks(marks)
{
    build(records);
}

const WordFinder& WordFinder::builtIn()
{
    static const WordFinder finder;
    return finder;
}

void WordFinder::build(std::span<const unsigned char> records)
{
    m_records = records.data();
    const std::size_t count = records.size() / dict::kRecordSize;
    std::vector<Entry> entries;
    entries.reserve(count / 2);
    for (std::size_t r = 0; r < count && r < (std::size_t { 1 } << 28); ++r) {
        const unsigned char* rec = records.data() + r * dict::kRecordSize;
        if (rec[0] != static_cast<unsigned char>(dict::kRecordMark))
            continue;
        // Longer than ten letters: the eleventh place is not blank.
        if (rec[1 + kMaxWord] != ' ')
            continue;
        std::array<std::uint8_t, kMaxWord> letters {};
        int length = 0;
        bool good = true;
        for (; length < kMaxWord && rec[1 + length] != ' '; ++length) {
            const unsigned char c = rec[1 + length];
            good = good && c >= 'A' && c <= 'Z';
            // Insertion sort: at most ten letters.
            int at = length;
            for (; at > 0 && letters[static_cast<std::size_t>(at - 1)] > c - 'A' + 1; --at)
                letters[static_cast<std::size_t>(at)] = letters[static_cast<std::size_t>(at - 1)];
            letters[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(c - 'A' + 1);
        }
        // Blank padding only after the word: "AB C" is not a word of two letters.
        for (int i = length; good && i < static_cast<int>(dict::kWordField); ++i)
            good = rec[1 + i] == ' ';
        if (!good || length < kMinWord)
            continue;
        std::uint64_t key = 0;
        for (int i = 0; i < length; ++i)
            key |= static_cast<std::uint64_t>(letters[static_cast<std::size_t>(i)])
                << (kBitsPerLetter * (kMaxWord - 1 - i));
        entries.push_back({ key, static_cast<std::uint32_t>(r << 4 | static_cast<std::size_t>(length)) });
    }
    sortByKey(entries);

    m_words.clear();
    m_words.reserve(entries.size());
    // Exactly as many nodes as the walk below makes: no slack, no copy to shrink.
    std::size_t nodes = 1;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (i == 0 || entries[i].key != entries[i - 1].key)
            nodes += static_cast<std::size_t>(static_cast<int>(entries[i].word & 0xF)
                - (i == 0 ? 0 : commonPlaces(entries[i].key, entries[i - 1].key)));
    m_nodes.clear();
    m_nodes.reserve(nodes);
    m_nodes.push_back(Node {});
    // path[d] = node of depth d on the current key's path; path[0] is the root.
    std::array<std::uint32_t, kMaxWord + 1> path {};
    int depth = 0;
    std::uint64_t previous = std::numeric_limits<std::uint64_t>::max();
    for (const Entry& e : entries) {
        const int length = static_cast<int>(e.word & 0xF);
        if (e.key != previous) {
            const int common = previous == std::numeric_limits<std::uint64_t>::max()
                ? 0
                : std::min({ commonPlaces(e.key, previous), depth, length });
            for (int d = depth; d > common; --d)
                m_nodes[path[static_cast<std::size_t>(d)]].end = static_cast<std::uint32_t>(m_nodes.size());
            for (int d = common; d < length; ++d) {
                Node n;
                n.letter = static_cast<std::uint8_t>(letterAt(e.key, d));
                path[static_cast<std::size_t>(d + 1)] = static_cast<std::uint32_t>(m_nodes.size());
                m_nodes.push_back(n);
            }
            depth = length;
            previous = e.key;
            m_nodes[path[static_cast<std::size_t>(depth)]].wordBegin = static_cast<std::uint32_t>(m_words.size());
        }
        Node& last = m_nodes[path[static_cast<std::size_t>(depth)]];
        if (last.wordCount < std::numeric_limits<std::uint16_t>::max()) {
            ++last.wordCount;
            m_words.push_back(e.word);
        }
    }
    for (int d = depth; d >= 0; --d)
        m_nodes[path[static_cast<std::size_t>(d)]].end = static_cast<std::uint32_t>(m_nodes.size());
}

std::size_t WordFinder::memoryBytes() const
{
    return m_nodes.capacity() * sizeof(Node) + m_words.capacity() * sizeof(std::uint32_t);
}

std::vector<FoundWord> WordFinder::find(std::string_view rack) const
{
    std::vector<FoundWord> out;
    find(rack, out);
    return out;
}

void WordFinder::find(std::string_view rack, std::vector<FoundWord>& out) const
{
    out.clear();
    Search s;
    s.out = &out;
    const std::size_t tiles = std::min(rack.size(), static_cast<std::size_t>(kMaxRack));
    for (std::size_t i = 0; i < tiles; ++i) {
        const char c = rack[i];
        if (c < 'A' || c > 'Z')
            continue;
        const auto letter = static_cast<std::size_t>(c - 'A' + 1);
        s.tilesOf[letter][s.counts[letter]++] = static_cast<std::uint8_t>(i + 1);
    }
    walk(0, s);
}

void WordFinder::walk(std::uint32_t index, Search& s) const
{
    const Node& node = m_nodes[index];
    for (std::uint32_t w = node.wordBegin; w < node.wordBegin + node.wordCount; ++w) {
        const std::uint32_t entry = m_words[w];
        const std::size_t length = entry & 0xF;
        const char* text = reinterpret_cast<const char*>(m_records + (entry >> 4) * dict::kRecordSize + 1);
        FoundWord found;
        found.word = std::string_view(text, length);
        found.mark = dict::markAt(m_marks, entry >> 4);
        // The word's letters are exactly this node's path, so the rack has each one.
        std::array<std::uint8_t, kLetters + 1> used {};
        for (std::size_t i = 0; i < length; ++i) {
            const auto letter = static_cast<std::size_t>(text[i] - 'A' + 1);
            found.tiles[i] = s.tilesOf[letter][used[letter]++];
        }
        s.out->push_back(found);
    }
    for (std::uint32_t child = index + 1; child < node.end; child = m_nodes[child].end) {
        std::uint8_t& have = s.counts[m_nodes[child].letter];
        if (have == 0)
            continue;
        --have;
        walk(child, s);
        ++have;
    }
}

} // namespace solver
