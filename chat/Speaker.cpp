#include "Speaker.h"

#include "net/Commands.h"
#include "net/Fields.h"
#include "rules/Seats.h"

#include <cctype>

namespace chat
{

std::optional<int> chatterNumber(std::string_view name)
{
    if (name.size() < 5)
        return std::nullopt;
    for (std::size_t i = 0; i < 4; ++i)
        if (std::tolower(static_cast<unsigned char>(name[i])) != "wave"[i])
            return std::nullopt;
    const std::string_view digits = name.substr(4);
    if (digits.front() < '1' || digits.front() > '9')
        return std::nullopt; // no sign, no leading zero
    const auto n = net::parseInt(digits);
    if (!n || *n < 1 || *n > kChatterCount)
        return std::nullopt;
    return n;
}

std::string_view turnSoundName(int setting) { return setting == 1 ? "turnnew" : "turn"; }

std::array<std::string, kPhraseCount> phrasesFrom(const std::array<std::string, kPhraseCount>& stored)
{
    std::array<std::string, kPhraseCount> phrases;
    for (std::size_t i = 0; i < phrases.size(); ++i)
        phrases[i] = stored[i].empty() ? std::string(kDefaultPhrases[i]) : stored[i];
    return phrases;
}

Speaker::Speaker(Clock clock)
    : m_clock(std::move(clock))
{
}

std::optional<std::string> Speaker::action(std::string_view text) const
{
    return net::msg::action(m_seat, std::string(text) + "|" + m_colourText);
}

SendResult Speaker::sendit(std::string_view typed) const
{
    if (!m_connected || m_seat < 1 || typed.empty())
        return {};
    if (typed.front() != '/')
        return { net::msg::chat(m_seat, std::string(typed) + "|" + m_colourText), true };
    // Only "/me" followed by a blank is an action: "/meow" is not "/me ow",
    // and "/me" with nothing to say says nothing.
    if (typed.substr(0, 4) == "/me ") {
        std::string_view text = typed.substr(4);
        while (!text.empty() && text.front() == ' ')
            text.remove_prefix(1);
        if (!text.empty())
            return { action(text), true };
    }
    return { std::nullopt, true };
}

bool Speaker::phraseReady() const { return !m_lastPhrase || m_clock() - *m_lastPhrase > kPhraseCooldown; }

std::optional<std::string> Speaker::phrase(std::string_view phrase)
{
    if (!m_connected || m_seat < 1 || !phraseReady())
        return std::nullopt;
    m_lastPhrase = m_clock();
    if (phrase.substr(0, 4) == "/me ")
        return action(phrase.substr(4));
    return action("says: " + std::string(phrase));
}

std::optional<std::string> Speaker::chatterSound(int number) const
{
    if (!m_connected || !rules::isPlayerSeat(m_seat) || number < 1 || number > kChatterCount)
        return std::nullopt;
    return net::msg::playasound(m_seat, "wave" + std::to_string(number) + "+");
}

ReceivedChatter playasound(
    std::string_view rest, bool chatterSoundsOn, const std::function<std::string(int seat)>& nameOfSeat)
{
    ReceivedChatter r;
    const auto seat = net::parseInt(net::fieldAt(rest, 0).value_or(""));
    if (!seat || !rules::isSeat(*seat)) {
        r.ignored = "chatter sound from no seat";
        return r;
    }
    const std::string_view name = net::fieldAt(rest, 1).value_or("");
    const auto number = chatterNumber(name);
    if (!number) {
        r.ignored = "unknown chatter sound \"" + std::string(name.substr(0, 40)) + "\"";
        return r;
    }
    if (chatterSoundsOn)
        r.sound = "wave" + std::to_string(*number);
    else
        r.line = "0+" + nameOfSeat(*seat) + ": <Chatter Sound> "
            + std::string(kChatterCaptions[static_cast<std::size_t>(*number - 1)]);
    return r;
}

} // namespace chat
