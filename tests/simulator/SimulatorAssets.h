#pragma once
// The committed clips, and what a test reads out of a program stream.

#include <cstdint>
#include <string>
#include <vector>

std::string AssetPath(const std::string& name);
std::vector<uint8_t> ReadAsset(const std::string& name);

// The payloads of every PES packet of `streamId`, joined in stream order.
std::vector<uint8_t> ElementaryStream(const std::vector<uint8_t>& ps, uint8_t streamId);
