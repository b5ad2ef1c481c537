// The tally file's container: vectors worked out by hand from the block rules,
// round trips around the piece size, and files that lie.

#include "windows/Lzrw1.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using windows::lzrw1::Bytes;
namespace lzrw1 = windows::lzrw1;

namespace
{

Bytes bytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes header(std::uint32_t length)
{
    return { 'W', 'R', 'Z', 'L', static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
        static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 24) };
}

Bytes block(const Bytes& body)
{
    Bytes out { static_cast<std::uint8_t>(body.size()), static_cast<std::uint8_t>(body.size() >> 8) };
    for (std::uint8_t b : body)
        out.push_back(b);
    return out;
}

struct Vector {
    const char* name;
    Bytes input;
    Bytes file;
};

std::vector<Vector> handVectors()
{
    Bytes equal(32768, 'A');
    // Eight runs of 4095 (0x0FEF = 4095 - 16), then 8 bytes left: a literal and a
    // copy of 7 from one back (0x0014 = 1 * 16 + 7 - 3). Control bits 1111111101,
    // shifted to the top. Then the empty piece, stored.
    Bytes equalBody { 0x40, 0xFF, 0x40 };
    for (int i = 0; i < 8; ++i)
        equalBody.insert(equalBody.end(), { 0x00, 0x0F, 0xEF, 'A' });
    equalBody.insert(equalBody.end(), { 'A', 0x00, 0x14 });

    // Eight literals, then a copy of 8 from 8 back (0x0085); one control bit set, 9th.
    const Bytes oneCopy = concat({ Bytes { 0x40, 0x00, 0x80 }, bytes("abcdefgh"), Bytes { 0x00, 0x85 } });

    // Two literals, a run of 20 'q' (0, 0x0004, 'q'), two literals; bits 00100.
    const Bytes run = concat({ Bytes { 0x40, 0x20, 0x00 }, bytes("ab"), Bytes { 0x00, 0x00, 0x04, 'q' }, bytes("ab") });

    // Sixteen literals fill the first control word; the 17th item, a copy of 18
    // from 16 back (0x010F), gets a control word of its own.
    const Bytes twoGroups
        = concat({ Bytes { 0x40, 0x00, 0x00 }, bytes("abcdefghijklmnop"), Bytes { 0x80, 0x00, 0x01, 0x0F } });

    return {
        { "EmptyInputIsOneStoredEmptyBlock", {}, concat({ header(0), block({ 0x80 }) }) },
        { "WholePieceOfEqualBytesIsRunsOfAtMost4095ThenAnEmptyPiece", equal,
            concat({ header(32768), block(equalBody), block({ 0x80 }) }) },
        { "ShortTextWithOneCopy", bytes("abcdefghabcdefgh"), concat({ header(16), block(oneCopy) }) },
        { "RunOfTwenty", concat({ bytes("ab"), Bytes(20, 'q'), bytes("ab") }), concat({ header(24), block(run) }) },
        { "SeventeenthItemStartsANewControlWord", bytes("abcdefghijklmnopabcdefghijklmnopab"),
            concat({ header(34), block(twoGroups) }) },
        { "StoredWhenCompressingDoesNotPay", bytes("abcabc"),
            concat({ header(6), block(concat({ Bytes { 0x80 }, bytes("abcabc") })) }) },
    };
}

} // namespace

TEST(TallyContainer, HandWorkedVectorsBothWays)
{
    for (const Vector& v : handVectors()) {
        SCOPED_TRACE(v.name);
        EXPECT_EQ(lzrw1::compress(v.input), v.file);
        EXPECT_EQ(lzrw1::decompress(v.file), v.input);
    }
}

TEST(TallyContainer, ReadsWhatAnotherWriterMayLegitimatelyProduce)
{
    struct Case {
        const char* name;
        Bytes file;
        Bytes expected;
    };
    const Case cases[] = {
        // Compressed flag for data that would have been stored: still valid.
        { "CompressedBlockOfLiteralsOnly", concat({ header(3), block({ 0x40, 0x00, 0x00, 'x', 'y', 'z' }) }),
            bytes("xyz") },
        { "CompressedEmptyBlockWithNoControlWord", concat({ header(0), block({ 0x40 }) }), {} },
        { "OverlappingCopyRepeatsAPattern", concat({ header(8), block({ 0x40, 0x20, 0x00, 'a', 'b', 0x00, 0x23 }) }),
            bytes("abababab") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(lzrw1::decompress(c.file), c.expected);
    }
    // A writer that reserves the next control word before it knows whether an
    // item follows: 16 literals, then a control word with nothing after it.
    Bytes body { 0x40, 0x00, 0x00 };
    const Bytes sixteen = bytes("abcdefghijklmnop");
    body.insert(body.end(), sixteen.begin(), sixteen.end());
    body.insert(body.end(), { 0x00, 0x00 });
    EXPECT_EQ(lzrw1::decompress(concat({ header(16), block(body) })), sixteen);
}

TEST(TallyContainer, RoundTripsAroundThePieceSize)
{
    std::mt19937 random(7);
    const std::size_t sizes[]
        = { 0, 1, 2, 3, 15, 16, 17, 18, 19, 4095, 4096, 4097, 32767, 32768, 32769, 65535, 65536, 65537, 100000 };
    auto text = [&](std::size_t n) {
        static const char* words[] = { "Alice", "Bob", "12", "0", "\r\n", "Zirky", "345", "Carol" };
        Bytes out;
        while (out.size() < n) {
            const std::string_view w = words[random() % 8];
            out.insert(out.end(), w.begin(), w.end());
        }
        out.resize(n);
        return out;
    };
    auto noise = [&](std::size_t n) {
        Bytes out(n);
        for (auto& b : out)
            b = static_cast<std::uint8_t>(random());
        return out;
    };
    auto runs = [&](std::size_t n) {
        Bytes out;
        while (out.size() < n)
            out.insert(out.end(), 1 + random() % 5000, static_cast<std::uint8_t>(random() % 3));
        out.resize(n);
        return out;
    };
    for (std::size_t n : sizes) {
        for (const Bytes& input : { text(n), noise(n), runs(n) }) {
            SCOPED_TRACE(n);
            const Bytes file = lzrw1::compress(input);
            ASSERT_EQ(lzrw1::decompress(file), input);
            // One block per piece, the last piece always short (possibly empty),
            // and no block longer than its piece plus the flag.
            std::size_t at = 8;
            std::size_t blocks = 0;
            while (at < file.size()) {
                const std::size_t length = file[at] | (file[at + 1] << 8);
                EXPECT_LE(length, lzrw1::kPieceSize + 1);
                at += 2 + length;
                ++blocks;
            }
            EXPECT_EQ(at, file.size());
            EXPECT_EQ(blocks, n / lzrw1::kPieceSize + 1);
        }
    }
}

TEST(TallyContainer, RejectsHostileFiles)
{
    const Bytes good = lzrw1::compress(bytes("abcdefghabcdefgh"));
    Bytes whole = lzrw1::compress(Bytes(32768, 'A'));
    Bytes wholeNoTail(whole.begin(), whole.end() - 3);
    Bytes trailing = good;
    trailing.push_back(0);
    // Nine runs of 4095 in one block: more than a piece.
    Bytes tooLong { 0x40, 0xFF, 0x80 };
    for (int i = 0; i < 9; ++i)
        tooLong.insert(tooLong.end(), { 0x00, 0x0F, 0xEF, 'A' });

    struct Case {
        const char* name;
        Bytes file;
    };
    const Case cases[] = {
        { "Empty", {} },
        { "HeaderCutShort", bytes("WRZL\x10") },
        { "WrongMagic", concat({ bytes("WRZX"), Bytes(good.begin() + 4, good.end()) }) },
        { "HuffmanModeNotSupported", concat({ bytes("!HZL"), Bytes(good.begin() + 4, good.end()) }) },
        { "NoBlockAtAll", header(0) },
        { "BlockLengthCutShort", concat({ header(0), Bytes { 0x01 } }) },
        { "BlockLongerThanFile", concat({ header(1), Bytes { 0x05, 0x00, 0x80, 'x' } }) },
        { "ZeroLengthBlock", concat({ header(0), block({}) }) },
        { "UnknownFlag", concat({ header(1), block({ 0x41, 'x' }) }) },
        { "ControlWordCutShort", concat({ header(1), block({ 0x40, 0x00 }) }) },
        { "CopyCutShort", concat({ header(6), block({ 0x40, 0x80, 0x00, 0x00 }) }) },
        { "RunCutShort", concat({ header(16), block({ 0x40, 0x80, 0x00, 0x00, 0x00 }) }) },
        { "CopyFromBeforeTheBlock", concat({ header(6), block({ 0x40, 0x80, 0x00, 0x00, 0x13 }) }) },
        { "CopyFurtherBackThanProduced", concat({ header(5), block({ 0x40, 0x40, 0x00, 'a', 0x00, 0x20 }) }) },
        { "RunBeyondStoredLength", concat({ header(20), block({ 0x40, 0x80, 0x00, 0x00, 0x00, 0x54, 'x' }) }) },
        { "BlockBeyondPieceSize", concat({ header(40000), block(tooLong), block({ 0x80 }) }) },
        { "StoredLengthTooSmall", concat({ header(15), Bytes(good.begin() + 8, good.end()) }) },
        { "StoredLengthTooLarge", concat({ header(17), Bytes(good.begin() + 8, good.end()) }) },
        { "StoredLengthBeyondCap", concat({ header(0xFFFFFFFF), Bytes(good.begin() + 8, good.end()) }) },
        { "WholePieceWithoutTheEmptyPieceAfterIt", wholeNoTail },
        { "DataAfterTheLastBlock", trailing },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(lzrw1::decompress(c.file), lzrw1::Error);
    }
}

TEST(TallyContainer, OutputCapHoldsEvenWhenTheFileIsConsistent)
{
    const Bytes file = lzrw1::compress(Bytes(100000, 'z'));
    EXPECT_THROW(lzrw1::decompress(file, 99999), lzrw1::Error);
    EXPECT_EQ(lzrw1::decompress(file, 100000).size(), 100000u);
}
