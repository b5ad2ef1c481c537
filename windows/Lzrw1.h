#pragma once
// The tally file's container: "WRZL", the data length, then one LZRW1-KH block
// per 32768-byte piece. Compression is deterministic, so two programs that follow
// the same rules write the same bytes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace windows::lzrw1
{

inline constexpr std::size_t kPieceSize = 32768;
inline constexpr std::uint8_t kFlagCompressed = 0x40;
inline constexpr std::uint8_t kFlagStored = 0x80;
// Far beyond any tally; a stored length above it is taken for a lie.
inline constexpr std::size_t kDefaultMaxOutput = std::size_t { 8 } << 20;

class Error : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

using Bytes = std::vector<std::uint8_t>;

// One block (flag byte first) for a piece of at most kPieceSize bytes.
Bytes compressBlock(std::span<const std::uint8_t> piece);

// Appends what one block expands to; throws Error when the block is malformed or
// would add more than `limit` bytes.
void decompressBlock(std::span<const std::uint8_t> block, Bytes& out, std::size_t limit = kPieceSize);

// The whole container. Throws Error for input longer than 4 GiB - 1.
Bytes compress(std::span<const std::uint8_t> data);

// Throws Error for anything but a well-formed container of at most maxOutput bytes.
Bytes decompress(std::span<const std::uint8_t> file, std::size_t maxOutput = kDefaultMaxOutput);

} // namespace windows::lzrw1
