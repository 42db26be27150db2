#include "tests/simulator/SimulatorAssets.h"

#include "core/ByteOrder.h"

#include <fstream>
#include <iterator>

std::string AssetPath(const std::string& name) { return std::string(VCSF_ASSETS_DIR) + "/" + name; }

std::vector<uint8_t> ReadAsset(const std::string& name)
{
    std::ifstream file(AssetPath(name), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

std::vector<uint8_t> ElementaryStream(const std::vector<uint8_t>& ps, uint8_t streamId)
{
    std::vector<uint8_t> es;
    size_t pos = 0;
    while (pos + 6 <= ps.size()) {
        if (ps[pos] != 0 || ps[pos + 1] != 0 || ps[pos + 2] != 1) {
            pos++;
            continue;
        }
        const uint8_t code = ps[pos + 3];
        if (code == 0xBA) {
            pos += 14 + (ps[pos + 13] & 7);
            continue;
        }
        if (code < 0xBB) {
            pos += 4;
            continue;
        }
        const size_t end = pos + 6 + ReadBE16(&ps[pos + 4]);
        if (code == streamId && end <= ps.size()) {
            const size_t payload = pos + 9 + ps[pos + 8];
            es.insert(es.end(), ps.begin() + payload, ps.begin() + end);
        }
        pos = end;
    }
    return es;
}
