// Arbitrary bytes as a minute file: open, list, read every unit whole and in
// parts, and try a part past each unit's end. The same bytes as a file name.

#include "core/CMemoryFileSource.h"
#include "core/CMinuteFilePath.h"
#include "core/CMinuteFileReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {

void ReadInParts(CMinuteFileReader& reader, size_t index, uint32_t size)
{
    std::vector<uint8_t> part(size / 3 + 1);
    for (uint32_t offset = 0; offset < size; offset += static_cast<uint32_t>(part.size())) {
        const uint32_t cb = std::min<uint32_t>(static_cast<uint32_t>(part.size()), size - offset);
        if (reader.ReadUnitPart(index, offset, part.data(), cb) != MinuteFileResult::Ok) return;
    }
    reader.ReadUnitPart(index, size, part.data(), 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint32_t minute = 0;
    CMinuteFilePath::MinuteOfPath(std::string_view(reinterpret_cast<const char*>(data), size < 64 ? size : 64), &minute);

    // An exact-size copy, so that a read past the file's end is caught.
    const std::vector<uint8_t> file(data, data + size);
    CMemoryFileSource source(file.data(), file.size());
    CMinuteFileReader reader(&source);
    if (reader.Open() != MinuteFileResult::Ok) return 0;
    for (size_t i = 0; i < reader.Units().size(); ++i) {
        const uint32_t unitSize = reader.Units()[i].dataSize;
        std::vector<uint8_t> whole(unitSize);
        reader.ReadUnit(i, whole.data(), whole.size());
        ReadInParts(reader, i, unitSize);
    }
    reader.ReadUnit(reader.Units().size(), nullptr, 0);
    return 0;
}
