#include "Lzrw1.h"

#include <algorithm>
#include <array>

namespace windows::lzrw1
{

namespace
{

constexpr std::uint16_t kNone = 0xFFFF;
constexpr std::size_t kMaxRun = 4095;
constexpr std::size_t kMinRun = 16;
constexpr std::size_t kMaxCopy = 18;
constexpr std::size_t kMinCopy = 3;
constexpr std::size_t kWindow = 4096;

const char kSizesDiffer[] = "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !";
const char kNoHeader[] = "Lzrw1 decompression : this file has no valid header !";
const char kTruncated[] = "Lzrw1 : Error reading from input file";
const char kBadBlock[] = "Lzrw1 decompression : corrupt block";

unsigned hashKey(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2)
{
    // Only bits 4..15 of the product are used, and those do not depend on the
    // width the multiplication is carried out in.
    const std::uint32_t mixed = ((((std::uint32_t { b0 } << 4) ^ b1) << 4) ^ b2);
    return ((mixed * 40543u) >> 4) & 0xFFFu;
}

} // namespace

Bytes compressBlock(std::span<const std::uint8_t> piece)
{
    const std::size_t n = piece.size();
    if (n > kPieceSize)
        throw Error("Lzrw1 compression : piece too long");

    Bytes out;
    out.reserve(n + 8);
    out.push_back(kFlagCompressed);
    std::size_t controlAt = out.size();
    out.resize(out.size() + 2);
    std::uint32_t control = 0;
    int items = 0;

    std::array<std::uint16_t, 4096> hash;
    hash.fill(kNone);

    std::size_t x = 0;
    // Once the output is longer than the piece the block is stored, so there is
    // no point in going on.
    while (x < n && out.size() <= n) {
        if (items == 16) {
            out[controlAt] = static_cast<std::uint8_t>(control >> 8);
            out[controlAt + 1] = static_cast<std::uint8_t>(control);
            controlAt = out.size();
            out.resize(out.size() + 2);
            control = 0;
            items = 0;
        }

        std::size_t run = 1;
        while (x + run < n && run < kMaxRun && piece[x + run] == piece[x])
            ++run;

        if (run >= kMinRun) {
            const std::size_t stored = run - kMinRun;
            out.push_back(0);
            out.push_back(static_cast<std::uint8_t>(stored >> 8));
            out.push_back(static_cast<std::uint8_t>(stored));
            out.push_back(piece[x]);
            x += run;
            control = (control << 1) | 1;
        } else {
            std::size_t length = 0;
            std::size_t offset = 0;
            // The last two bytes of a piece cannot start a copy of three.
            if (x + kMinCopy <= n) {
                const unsigned key = hashKey(piece[x], piece[x + 1], piece[x + 2]);
                const std::uint16_t candidate = hash[key];
                hash[key] = static_cast<std::uint16_t>(x);
                if (candidate != kNone && x - candidate < kWindow) {
                    offset = x - candidate;
                    while (length < kMaxCopy && x + length < n && piece[x + length] == piece[candidate + length])
                        ++length;
                }
            }
            if (length >= kMinCopy) {
                const std::size_t item = offset * 16 + (length - kMinCopy);
                out.push_back(static_cast<std::uint8_t>(item >> 8));
                out.push_back(static_cast<std::uint8_t>(item));
                x += length;
                control = (control << 1) | 1;
            } else {
                out.push_back(piece[x]);
                ++x;
                control <<= 1;
            }
        }
        ++items;
    }

    if (out.size() > n) {
        out.assign(1, kFlagStored);
        out.insert(out.end(), piece.begin(), piece.end());
        return out;
    }
    control <<= (16 - items);
    out[controlAt] = static_cast<std::uint8_t>(control >> 8);
    out[controlAt + 1] = static_cast<std::uint8_t>(control);
    return out;
}

void decompressBlock(std::span<const std::uint8_t> block, Bytes& out, std::size_t limit)
{
    if (block.empty())
        throw Error(kTruncated);
    limit = std::min(limit, kPieceSize);
    const std::size_t start = out.size();
    const std::size_t size = block.size();

    if (block[0] == kFlagStored) {
        if (size - 1 > limit)
            throw Error(kSizesDiffer);
        out.insert(out.end(), block.begin() + 1, block.end());
        return;
    }
    if (block[0] != kFlagCompressed)
        throw Error(kBadBlock);

    auto room = [&](std::size_t count) {
        if (count > limit - (out.size() - start))
            throw Error(kSizesDiffer);
    };

    std::size_t x = 1;
    unsigned control = 0;
    int bits = 0;
    while (x < size) {
        if (bits == 0) {
            if (size - x < 2)
                throw Error(kTruncated);
            control = (unsigned { block[x] } << 8) | block[x + 1];
            x += 2;
            bits = 16;
            // A writer may leave a control word with no items after it.
            if (x == size)
                break;
        }
        if ((control & 0x8000u) == 0) {
            room(1);
            out.push_back(block[x]);
            ++x;
        } else {
            if (size - x < 2)
                throw Error(kTruncated);
            const std::size_t offset = (std::size_t { block[x] } << 4) | (block[x + 1] >> 4);
            if (offset == 0) {
                if (size - x < 4)
                    throw Error(kTruncated);
                const std::size_t run = ((std::size_t { block[x + 1] } << 8) | block[x + 2]) + kMinRun;
                room(run);
                out.insert(out.end(), run, block[x + 3]);
                x += 4;
            } else {
                const std::size_t length = (block[x + 1] & 0x0Fu) + kMinCopy;
                // Blocks are independent: a copy reaches back only into its own block.
                if (offset > out.size() - start)
                    throw Error(kBadBlock);
                room(length);
                const std::size_t from = out.size() - offset;
                // Byte by byte: a copy may overlap what it is producing.
                for (std::size_t i = 0; i < length; ++i)
                    out.push_back(out[from + i]);
                x += 2;
            }
        }
        control <<= 1;
        --bits;
    }
}

Bytes compress(std::span<const std::uint8_t> data)
{
    if (data.size() > 0xFFFFFFFFu)
        throw Error("Lzrw1 compression : input too long");
    Bytes out { 'W', 'R', 'Z', 'L' };
    const auto length = static_cast<std::uint32_t>(data.size());
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(length >> (8 * i)));

    // A piece shorter than a whole one ends the data; a length that is a
    // multiple of the piece size (zero too) therefore ends with an empty piece.
    std::size_t at = 0;
    for (;;) {
        const std::size_t count = std::min(kPieceSize, data.size() - at);
        const Bytes block = compressBlock(data.subspan(at, count));
        out.push_back(static_cast<std::uint8_t>(block.size()));
        out.push_back(static_cast<std::uint8_t>(block.size() >> 8));
        out.insert(out.end(), block.begin(), block.end());
        at += count;
        if (count < kPieceSize)
            break;
    }
    return out;
}

Bytes decompress(std::span<const std::uint8_t> file, std::size_t maxOutput)
{
    if (file.size() < 8)
        throw Error(kNoHeader);
    const auto header = file.first(4);
    if (std::equal(header.begin(), header.end(), "!HZL"))
        throw Error("Lzrw1 decompression : Huffman mode is not supported");
    if (!std::equal(header.begin(), header.end(), "WRZL"))
        throw Error(kNoHeader);
    std::size_t stored = 0;
    for (int i = 3; i >= 0; --i)
        stored = (stored << 8) | file[4 + i];
    if (stored > maxOutput)
        throw Error(kSizesDiffer);

    Bytes out;
    std::size_t at = 8;
    std::size_t produced = 0;
    do {
        if (file.size() - at < 2)
            throw Error(kTruncated);
        const std::size_t length = file[at] | (std::size_t { file[at + 1] } << 8);
        at += 2;
        if (file.size() - at < length)
            throw Error(kTruncated);
        const std::size_t before = out.size();
        decompressBlock(file.subspan(at, length), out, stored - before);
        at += length;
        produced = out.size() - before;
    } while (produced == kPieceSize);

    if (out.size() != stored)
        throw Error(kSizesDiffer);
    if (at != file.size())
        throw Error("Lzrw1 decompression : data after the last block");
    return out;
}

} // namespace windows::lzrw1
