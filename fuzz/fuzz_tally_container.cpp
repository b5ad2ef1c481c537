// The tally file under hostile bytes. The first byte picks what the rest is:
// a tally file to read (which must fail cleanly or give data that survives a
// second round trip), or data to compress and read back unchanged.

#include "windows/GridText.h"
#include "windows/Lzrw1.h"
#include "windows/TallyRecord.h"

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

namespace
{

namespace lzrw1 = windows::lzrw1;

// Small enough to keep executions fast, large enough for several pieces.
constexpr std::size_t kCap = 256 * 1024;

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void roundTrip(std::span<const std::uint8_t> data)
{
    const lzrw1::Bytes file = lzrw1::compress(data);
    check(file.size() <= 8 + (data.size() / lzrw1::kPieceSize + 1) * (2 + lzrw1::kPieceSize + 1));
    const lzrw1::Bytes back = lzrw1::decompress(file, data.size());
    check(back.size() == data.size() && std::equal(back.begin(), back.end(), data.begin()));
}

void readTally(std::span<const std::uint8_t> file)
{
    lzrw1::Bytes text;
    try {
        text = lzrw1::decompress(file, kCap);
    } catch (const lzrw1::Error&) {
        return;
    }
    check(text.size() <= kCap);
    roundTrip(text);

    try {
        const windows::Grid grid
            = windows::readGridText(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
        const windows::TallyRecord record = windows::TallyRecord::fromGrid(grid);
        const windows::TallyRecord again
            = windows::TallyRecord::fromGrid(windows::readGridText(windows::writeGridText(record.toGrid())));
        check(again.rowCount() == record.rowCount());
        for (std::size_t r = 0; r < record.rowCount(); ++r) {
            for (std::size_t c = 0; c < windows::TallyRecord::kColumns; ++c)
                check(again.cell(r, c) == record.cell(r, c));
        }
    } catch (const windows::GridTextError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::span<const std::uint8_t> rest(data + 1, size - 1);
    if (data[0] & 1)
        roundTrip(rest);
    else
        readTally(rest);
    return 0;
}
