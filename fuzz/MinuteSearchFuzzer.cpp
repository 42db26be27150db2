// Arbitrary bytes as the one minute file of a recording folder, named for the
// minute its header claims: search it for the units of each area and read them
// whole, in parts and past their end; ask for the earliest and latest file.

#include "core/ByteOrder.h"
#include "core/CMinuteFileFinder.h"
#include "core/CMinuteFilePath.h"
#include "core/CMinuteSearch.h"
#include "tests/core/CMemoryMinuteStore.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

constexpr uint32_t kPart = 4096;

// Whole for area 1, in parts for area 2, a part past the end first for area 3.
void ReadUnit(CMinuteSearch& search, uint32_t size, uint8_t area)
{
    std::vector<uint8_t> data(size);  // exact size, so that a write past it is caught
    if (area == 1) {
        search.Read(data.data(), 0, 0);
        return;
    }
    if (area == 3 && size < kPart) search.Read(data.data(), size + 1, 0);
    for (uint32_t done = 0; done < size;) {
        const uint32_t cb = std::min(size - done, kPart);
        if (search.Read(data.data() + done, cb, 0) != MinvaultResult::Ok) return;
        done += cb;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CMemoryMinuteStore store;
    const uint32_t minute = size >= 12 ? ReadLE32(data + 8) : 0;
    store.files[CMinuteFilePath::RelativePath(minute)].assign(data, data + size);

    CMinuteSearch search;
    search.Open(2, kPart);
    for (uint8_t area = 1; area <= 3; ++area) {
        search.Start(&store, area, 3, 0, 0, UINT32_MAX);
        MinuteFileRecord record;
        while (search.Next(&record) == MinvaultResult::Ok) ReadUnit(search, record.size, area);
    }
    CMinuteFileFinder::Found found;
    CMinuteFileFinder::Find(&store, {3, 1, 3, 0, 1, UINT32_MAX}, 2, &found);
    CMinuteFileFinder::Find(&store, {3, 1, 3, UINT32_MAX, -1, 0}, 2, &found);
    return 0;
}
