#include "TurnScript.h"

#include <rules/Dice.h>
#include <rules/Points.h>
#include <solver/TurnPlanner.h>

#include <algorithm>
#include <map>
#include <mutex>

namespace bots
{

namespace
{

constexpr int kPressDoneMs = 250; // from the last tile down to pressing Done
constexpr int kBuyThinkMs = 1200; // looking at the rack before buying new tiles
constexpr int kFinishAfterMs = 1200; // from the last word to pressing Finish
constexpr int kMarginMs = 1000; // words due later than this before the clock ends are left out
// A turn with no room for this many of a level's words at its own pace hurries
// the pace until they fit, down to kFastestPace. The first word it has is
// played however short the turn.
constexpr int kWordsAShortTurnHolds = 3;

Action timed(Action::Kind kind, int atMs)
{
    Action a;
    a.kind = kind;
    a.atMs = atMs;
    return a;
}

int uniform(std::mt19937_64& rng, int low, int high)
{
    return std::uniform_int_distribution<int>(low, std::max(low, high))(rng);
}

// Duration of an average word of this level, for fitting words to the clock.
int averageWordMs(const Style& style, bool fastGame, int length)
{
    const int ms = (style.thinkMinMs + style.thinkMaxMs) / 2 + (fastGame ? 0 : length * style.tileMs + kPressDoneMs);
    return std::max(ms, kMinWordGapMs);
}

// The words of `rack` this level knows and is willing to play: none rarer than
// it knows, none offensive.
std::vector<solver::FoundWord> knownWords(const Style& style, const std::string& rack)
{
    std::vector<solver::FoundWord> found;
    solver::WordFinder::builtIn().find(rack, found);
    std::erase_if(found, [&](const solver::FoundWord& f) { return f.mark.offensive || f.mark.rarity > style.rarest; });
    return found;
}

} // namespace

std::vector<solver::FoundWord> chooseWords(
    Level level, const std::string& rack, bool zirked, int maxWords, std::mt19937_64& rng)
{
    const Style& style = styleOf(level);
    const std::vector<solver::FoundWord> found = knownWords(style, rack);
    if (style.plans)
        return solver::planTurn(found, { zirked, maxWords }).words;

    // What this player notices: a share of the words it can manage, nearest its
    // favourite length first, in no fixed order within a length. Noticing
    // nothing, it keeps looking rather than give up with a word on the rack:
    // then every word it can manage is in view.
    std::vector<std::pair<int, solver::FoundWord>> noticed;
    std::bernoulli_distribution sees(style.share);
    for (const bool all : { false, true }) {
        for (const auto& f : found)
            if (f.length() <= style.longest && !(zirked && f.length() == rules::kMinWordLength) && (all || sees(rng)))
                noticed.emplace_back(std::abs(f.length() - style.favourite) * 1000 + uniform(rng, 0, 999), f);
        if (!noticed.empty())
            break;
    }
    std::sort(noticed.begin(), noticed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    std::vector<solver::FoundWord> out;
    rules::WordTable table = rules::WordTable();
    for (const auto& [order, f] : noticed) {
        if (static_cast<int>(out.size()) >= maxWords)
            break;
        if (solver::wouldAccept(f.word, table, zirked) && solver::storeWord(f.word, table))
            out.push_back(f);
    }
    return out;
}

int typicalTotal(int tiles, bool zirked)
{
    static std::mutex lock;
    static std::map<std::pair<int, bool>, int> known;
    const std::lock_guard guard(lock);
    const auto key = std::make_pair(tiles, zirked);
    if (const auto it = known.find(key); it != known.end())
        return it->second;
    // A fixed sample of dice rolls: the same bar on every run.
    std::mt19937_64 rng(9173);
    constexpr int kSample = 120;
    long sum = 0;
    for (int i = 0; i < kSample; ++i) {
        const rules::TileSet t = rules::rollDice(rng);
        const std::string rack(t.begin() + 1, t.begin() + 1 + tiles);
        sum += solver::planTurn(knownWords(styleOf(Level::Expert), rack), { zirked, 30 }).total();
    }
    return known[key] = static_cast<int>(sum / kSample);
}

TurnScript planTurnScript(Level level, const TurnSituation& situation, std::mt19937_64& rng)
{
    TurnScript script;
    const Style& style = styleOf(level);
    const int turnMs = situation.secondsLeft * 1000;
    const int budgetMs = turnMs - std::min(kMarginMs, turnMs / 5);
    if (budgetMs <= 0)
        return script;
    const int ownWordMs = averageWordMs(style, situation.fastGame, style.plans ? 6 : style.favourite);
    const double pace
        = std::clamp(static_cast<double>(budgetMs) / (kWordsAShortTurnHolds * ownWordMs), kFastestPace, 1.0);
    const auto hurried = [pace](int ms) { return static_cast<int>(ms * pace); };
    const int wordMs = std::max(1, hurried(ownWordMs));
    const int maxWords = std::clamp(budgetMs / wordMs, 1, rules::kWordLengths * rules::kWordsPerLength);
    const std::vector<solver::FoundWord> words = chooseWords(level, situation.rack, situation.zirked, maxWords, rng);

    if (style.buysTiles && situation.mayBuyTiles) {
        const int tiles = static_cast<int>(situation.rack.size());
        const int typical = typicalTotal(tiles, situation.zirked);
        const int mine = solver::planTurn(knownWords(style, situation.rack), { situation.zirked, maxWords }).total();
        // Worth 300 only when this rack falls well short of an ordinary one.
        if (mine < typical * 3 / 4 - rules::kTileCost && budgetMs > kBuyThinkMs + 10 * wordMs) {
            script.buying = true;
            script.actions.push_back(timed(Action::Kind::BuyTiles, uniform(rng, kBuyThinkMs, kBuyThinkMs * 3 / 2)));
            return script;
        }
    }

    int now = 0;
    int lastDone = -hurried(kMinWordGapMs);
    bool played = false;
    for (const auto& w : words) {
        int at = now + hurried(uniform(rng, style.thinkMinMs, style.thinkMaxMs));
        std::vector<Action> placing;
        std::vector<int> tiles;
        for (int i = 0; i < w.length(); ++i) {
            const int tile = w.tiles[static_cast<std::size_t>(i)];
            tiles.push_back(tile);
            if (situation.fastGame)
                continue;
            at += hurried(uniform(rng, style.tileMs * 3 / 4, style.tileMs * 5 / 4));
            Action place = timed(Action::Kind::Place, at);
            place.position = i + 1;
            place.tile = tile;
            placing.push_back(place);
        }
        at += situation.fastGame ? 0 : hurried(kPressDoneMs);
        // A person's pace: the tiles of the next word are not down before the gap is over.
        const int late = std::max(0, lastDone + hurried(kMinWordGapMs) - at);
        for (auto& a : placing)
            a.atMs += late;
        at += late;
        if (at > budgetMs) {
            if (played)
                break;
            // Whatever the pace, a word it has is played: the first one is
            // squeezed into the time there is.
            for (auto& a : placing)
                a.atMs = static_cast<int>(static_cast<long long>(a.atMs) * budgetMs / at);
            at = budgetMs;
        }
        script.actions.insert(script.actions.end(), placing.begin(), placing.end());
        Action done = timed(Action::Kind::Done, at);
        done.tiles = tiles;
        done.word = std::string(w.word);
        script.actions.push_back(std::move(done));
        lastDone = at;
        now = at;
        played = true;
    }
    // Finishing ends a slow turn at once: never before a word it has is down.
    if ((played || words.empty()) && now + hurried(kFinishAfterMs) <= budgetMs)
        script.actions.push_back(timed(Action::Kind::Finish, now + hurried(kFinishAfterMs)));
    return script;
}

} // namespace bots
