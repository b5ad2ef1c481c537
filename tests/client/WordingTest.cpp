// The board in words: the grammar of counts and of the player's own lines, and
// what a screen reader hears for tiles, boxes, seats and the clock.

#include "client/Wording.h"

#include <gtest/gtest.h>

using namespace client;

TEST(Wording, OwnLinesReadInTheSecondPerson)
{
    struct Row {
        const char* fault;
        std::string line;
        int mySeat;
        std::string myName;
        std::string shown;
    };
    const Row rows[] = {
        { "own chat said \"You chats:\"", "1+You chats: hi", 1, "You", "1+You chat: hi" },
        { "own chat under a real name not in the second person", "3+Ann chats: hi + bye", 3, "Ann",
            "3+You chat: hi + bye" },
        { "own wave said \"You waves\"", "1+You waves", 1, "You", "1+You wave" },
        { "a phrase button said \"You says:\"", "2+Bob says: Way To Go!", 2, "Bob", "2+You say: Way To Go!" },
        { "another's chat changed", "2+Bob chats: hi", 3, "Ann", "2+Bob chats: hi" },
        { "a line from another seat under our name changed", "4+Ann waves", 3, "Ann", "4+Ann waves" },
        { "a longer name that begins like ours taken for ours", "3+Annabel waves", 3, "Ann", "3+Annabel waves" },
        { "a name with a blank cut short", "5+Mary Lou chats: hi", 5, "Mary Lou", "5+You chat: hi" },
        { "a spectator's own line left in the third person", "8+Spy chats: hm", 8, "Spy", "8+You chat: hm" },
        { "a seat not yet known rewrote a line", "1+You waves", 0, "", "1+You waves" },
        { "a line that is only the name broke", "1+You", 1, "You", "1+You" },
        { "seat 1 taken for seat 11", "11+You waves", 1, "You", "11+You waves" },
    };
    for (const Row& r : rows)
        EXPECT_EQ(ownLine(r.line, r.mySeat, r.myName), r.shown) << r.fault;
}

TEST(Wording, WhatYouDo)
{
    struct Row {
        const char* fault;
        std::string phrase;
        std::string you;
    };
    const Row rows[] = {
        { "s kept", "waves", "wave" },
        { "punctuation lost with the s", "says: hi!", "say: hi!" },
        { "only the first word changes", "waves at Bob's words", "wave at Bob's words" },
        { "-ies not made -y", "cries", "cry" },
        { "a short -ies word made -y", "dies laughing", "die laughing" },
        { "-es after ch kept its e", "watches", "watch" },
        { "-es after ss kept its e", "kisses Ann", "kiss Ann" },
        { "goes left as goe", "goes home", "go home" },
        { "is left as is", "is back", "are back" },
        { "has left as has", "has won", "have won" },
        { "a shout lost its capitals", "WAVES", "WAVE" },
        { "a shouted irregular lost its capitals", "IS BACK", "ARE BACK" },
        { "a word that is no third person cut", "yes!", "yes!" },
        { "a double s cut", "boss around", "boss around" },
        { "a past tense changed", "laughed", "laughed" },
        { "a word starting with a symbol changed", ":) grins", ":) grins" },
        { "an empty action broke", "", "" },
    };
    for (const Row& r : rows)
        EXPECT_EQ(secondPerson(r.phrase), r.you) << r.fault;
}

TEST(Wording, CountsAgreeWithTheirNumber)
{
    EXPECT_EQ(wordCount(1), "1 word");
    EXPECT_EQ(wordCount(0), "0 words");
    EXPECT_EQ(wordCount(2), "2 words");
    EXPECT_EQ(countOf(-1, "point", "points"), "-1 points");
}

// What a screen reader hears must carry what the colours carry.
TEST(Wording, NothingIsSaidByColourAlone)
{
    struct Row {
        const char* fault;
        std::string said;
        std::string expected;
    };
    const Row rows[] = {
        { "a tile on the rack without its letter", tileWords(3, 'E', 0), "E, on the rack, tile 3" },
        { "a tile in the word without its place", tileWords(12, 'Q', 2), "Q, in the word at place 2, tile 12" },
        { "a blank tile read as a letter", tileWords(1, '*', 0), "Empty tile 1" },
        { "an empty box read as holding words", boxWords(4, {}, 0, false, false), "4 Letters: no words" },
        { "one word read as words", boxWords(5, { "QUAKE" }, 200, false, false),
            "5 Letters: 1 word, 200 points: QUAKE" },
        { "a full box not said to be full", boxWords(3, { "CAT", "DOG", "EAR", "RAT", "TIE" }, 100, true, false),
            "3 Letters, full: 5 words, 100 points: CAT, DOG, EAR, RAT, TIE" },
        { "a closed box not said to be closed", boxWords(3, {}, 0, false, true),
            "3 Letters, closed this turn: no words" },
        { "the caption of a full box only coloured", boxCaption(7, true, false), "7 Letters: full" },
        { "the caption of a closed box only coloured", boxCaption(3, false, true), "3 Letters: closed" },
        { "the clock's last seconds only coloured", clockWords("Time: 0:09", 9, true), "Time: 0:09, hurry" },
        { "a stopped clock told to hurry", clockWords("Time: 0:00", 0, false), "Time: 0:00" },
        { "the clock told to hurry too soon", clockWords("Time: 0:11", 11, true), "Time: 0:11" },
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.said, r.expected) << r.fault;
}

TEST(Wording, SeatsSayWhoScoredWhatAndWhoseTurnItIs)
{
    struct Row {
        const char* fault;
        SeatFacts seat;
        std::string said;
    };
    const Row rows[] = {
        { "a free seat read as a player", { .seat = 4, .name = "<Waiting>", .score = "0", .free = true },
            "Seat 4: free" },
        { "the own turn not told as ours", { .seat = 1, .name = "You", .score = "2750", .mine = true, .onTurn = true },
            "Seat 1: You (you), 2750 points, your turn" },
        { "another's turn not told", { .seat = 2, .name = "Bob", .score = "900", .bonus = "+750", .onTurn = true },
            "Seat 2: Bob, 900 points, +750 this turn, on turn" },
        { "the Zirked penalty read as a number", { .seat = 3, .name = "Cy", .score = "4100", .bonus = "-500" },
            "Seat 3: Cy, 4100 points, lost 500 this turn" },
        { "a finish vote read as points", { .seat = 5, .name = "Dee", .score = "0", .bonus = "finished" },
            "Seat 5: Dee, 0 points, voted to finish" },
        { "the watching eyes and the new-tiles mark only drawn",
            { .seat = 6, .name = "Eve", .score = "10", .watching = true, .boughtTiles = true },
            "Seat 6: Eve, 10 points, just watching, bought new tiles" },
    };
    for (const Row& r : rows)
        EXPECT_EQ(seatWords(r.seat), r.said) << r.fault;
}
