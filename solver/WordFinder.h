#pragma once
// Every word of the word list a rack can build. Words are grouped by their
// letters in alphabetical order ("ACT" holds CAT and ACT) and those groups are
// laid out as a tree walked with the rack's letter counts, so a rack visits only
// the letter groups it can pay for rather than the whole list.

#include <dict/WordMarks.h>
#include <rules/Dice.h>
#include <rules/Words.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace solver
{

inline constexpr int kMinWord = rules::kMinWordLength;
inline constexpr int kMaxWord = rules::kMaxWordLength;
inline constexpr int kMaxRack = rules::kZirkedTiles;

struct FoundWord {
    std::string_view word; // upper case; points into the word list, which outlives the finder
    std::array<std::uint8_t, kMaxWord> tiles {}; // 1-based tile numbers in word order
    dict::WordMark mark; // how common the word is, whether it is offensive
    int length() const { return static_cast<int>(word.size()); }
    std::span<const std::uint8_t> tileNumbers() const { return { tiles.data(), word.size() }; }
};

class WordFinder
{
public:
    // Over the word list built into the program.
    WordFinder();
    // Over 15-byte dictionary records (tests pass their own) and their marks
    // (none: every word common and inoffensive); records that are not
    // upper-case A-Z words of 3 to 10 letters are left out. The records must
    // outlive the finder: found words point into them.
    explicit WordFinder(std::span<const unsigned char> records, std::span<const unsigned char> marks = {});

    // One finder over the built-in list for the whole process, made on first use.
    static const WordFinder& builtIn();

    // Words of 3 to 10 letters that `rack` can build; rack position i (0-based)
    // is tile i + 1. Letters outside A-Z ("*" for no tile) are never used, and
    // tiles past the 13th are ignored. `out` is replaced, in no particular order.
    void find(std::string_view rack, std::vector<FoundWord>& out) const;
    std::vector<FoundWord> find(std::string_view rack) const;

    std::size_t wordCount() const { return m_words.size(); }
    std::size_t nodeCount() const { return m_nodes.size(); }
    // Heap bytes held (the word list itself is the program's, not counted).
    std::size_t memoryBytes() const;

private:
    struct Node {
        std::uint32_t end = 0; // index just past this node's subtree (preorder)
        std::uint32_t wordBegin = 0; // into m_words
        std::uint16_t wordCount = 0; // words whose sorted letters end here
        std::uint8_t letter = 0; // 1..26; 0 for the root
    };
    struct Search;

    void build(std::span<const unsigned char> records);
    void walk(std::uint32_t node, Search& s) const;

    const unsigned char* m_records = nullptr;
    std::span<const unsigned char> m_marks;
    std::vector<Node> m_nodes;
    std::vector<std::uint32_t> m_words; // record index << 4 | length
};

} // namespace solver
