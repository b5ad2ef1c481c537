#include "Rack.h"

#include <algorithm>

namespace client
{

namespace
{
int uniform(std::mt19937& random, int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }
} // namespace

Rack::Rack()
{
    for (int n = 1; n <= rules::kZirkedTiles; ++n)
        at(n).visible = n <= rules::kPlainTiles;
    movetiles();
}

std::vector<int> Rack::word() const
{
    std::vector<int> out;
    for (int i = 0; i < m_wordLength; ++i)
        out.push_back(m_slots[static_cast<std::size_t>(i)]);
    return out;
}

void Rack::movetiles()
{
    for (int n = 1; n <= rules::kZirkedTiles; ++n)
        at(n).place = n;
}

void Rack::deal(const std::vector<char>& letters)
{
    cleartiles();
    for (int n = 1; n <= rules::kZirkedTiles; ++n) {
        Tile& t = at(n);
        const auto i = static_cast<std::size_t>(n - 1);
        t.letter = i < letters.size() ? letters[i] : kNoLetter;
        t.picture = i < letters.size();
    }
    movetiles();
}

void Rack::showExtra(bool shown)
{
    for (int n = rules::kPlainTiles + 1; n <= rules::kZirkedTiles; ++n)
        at(n).visible = shown;
}

void Rack::clearPictures()
{
    for (Tile& t : m_tiles)
        t.picture = false;
}

void Rack::setTwoRows(bool twoRows)
{
    m_twoRows = twoRows;
    movetiles();
}

bool Rack::take(int n)
{
    if (n < 1 || n > rules::kZirkedTiles || m_wordLength >= rules::kMaxWordLength)
        return false;
    Tile& t = at(n);
    if (t.wordPosition != 0)
        return false;
    m_slots[static_cast<std::size_t>(m_wordLength)] = n;
    ++m_wordLength;
    t.wordPosition = t.shownInWord = m_wordLength;
    return true;
}

bool Rack::takeBack(int n)
{
    if (n < 1 || n > rules::kZirkedTiles || m_wordLength == 0)
        return false;
    Tile& t = at(n);
    if (t.wordPosition == 0 || t.wordPosition != m_wordLength)
        return false;
    --m_wordLength;
    m_slots[static_cast<std::size_t>(m_wordLength)] = 0;
    t.wordPosition = t.shownInWord = 0;
    return true;
}

bool Rack::takeBackLast()
{
    if (m_wordLength == 0)
        return false;
    return takeBack(m_slots[static_cast<std::size_t>(m_wordLength - 1)]);
}

void Rack::cleartiles()
{
    m_slots.fill(0);
    m_wordLength = 0;
    for (Tile& t : m_tiles)
        t.wordPosition = t.shownInWord = 0;
}

void Rack::changespot(int a, int b)
{
    // A tile in the word keeps its place there and finds its new place when it comes back.
    std::swap(at(a).place, at(b).place);
}

void Rack::shufflethem(std::mt19937& random)
{
    const bool extra = extraShown();
    if (!m_twoRows) {
        for (int i = 1; i <= rules::kPlainTiles; ++i)
            changespot(i, 1 + uniform(random, extra ? rules::kZirkedTiles : rules::kPlainTiles));
        return;
    }
    // Each row shuffles within itself, so a tile never changes rows.
    for (int i = 4; i <= rules::kPlainTiles; ++i)
        changespot(i, 4 + uniform(random, extra ? 7 : 6));
    constexpr int kLower[] = { 1, 2, 3, 11, 12, 13 };
    for (int i = 1; i <= 3; ++i)
        changespot(i, kLower[uniform(random, extra ? 6 : 2)]);
}

int Rack::freeTileWith(char letter) const
{
    for (int n = 1; n <= rules::kZirkedTiles; ++n) {
        const Tile& t = tile(n);
        if (t.visible && t.wordPosition == 0 && t.picture && t.letter == letter)
            return n;
    }
    return 0;
}

bool Rack::echo(int spot, int n)
{
    if (n < 1 || n > rules::kZirkedTiles || spot < 0 || spot > rules::kMaxWordLength)
        return false;
    at(n).shownInWord = spot;
    return true;
}

std::vector<int> Rack::readingOrder() const
{
    std::vector<int> word, rack;
    for (int n = 1; n <= rules::kZirkedTiles; ++n) {
        const Tile& t = tile(n);
        if (!t.visible || !t.picture)
            continue;
        (t.shownInWord > 0 ? word : rack).push_back(n);
    }
    std::sort(word.begin(), word.end(), [this](int a, int b) { return tile(a).shownInWord < tile(b).shownInWord; });
    std::sort(rack.begin(), rack.end(), [this](int a, int b) { return tile(a).place < tile(b).place; });
    word.insert(word.end(), rack.begin(), rack.end());
    return word;
}

std::string Rack::wordLetters() const
{
    std::string out;
    for (int n : readingOrder())
        if (tile(n).shownInWord > 0)
            out += tile(n).letter;
    return out;
}

std::string Rack::rackLetters() const
{
    std::string out;
    for (int n : readingOrder())
        if (tile(n).shownInWord == 0)
            out += tile(n).letter;
    return out;
}

} // namespace client
