// Block encoding. Every item costs one flag bit, plus 8 bits for a literal or 16 for
// a match, and a block's size in bytes is its bit count rounded up to whole bytes.
// Since a match's cost does not depend on its length or distance, a parse that
// reaches a position can use any length from 3 up to the longest match there, so the
// shortest path over positions with those edges is the smallest block possible.
#include "pak_compressor.h"
#include "pak_format.h"
#include "pak_match_finder.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr uint32_t kLiteralBits = 9;
constexpr uint32_t kMatchBits = 17;

struct Item {
  uint16_t length;    // 1 for a literal
  uint16_t distance;  // matches only
};

// Writes one block: groups of a flag byte and up to eight items.
void EmitBlock(const uint8_t *data, size_t start, const std::vector<Item> &items, std::vector<uint8_t> &out) {
  size_t length_at = out.size();
  out.push_back(0);
  out.push_back(0);
  size_t position = start;
  size_t flag_at = 0;
  for (size_t i = 0; i < items.size(); i++) {
    if (i % 8 == 0) {
      flag_at = out.size();
      out.push_back(0);
    }
    const Item &item = items[i];
    if (item.length == 1) {
      out.push_back(data[position]);
    } else {
      out[flag_at] |= (uint8_t)(0x80 >> (i % 8));
      uint32_t word = (uint32_t)(item.length - kPakMinMatch) << 12 | (uint32_t)(item.distance - kPakMinDistance);
      out.push_back((uint8_t)word);
      out.push_back((uint8_t)(word >> 8));
    }
    position += item.length;
  }
  size_t content = out.size() - length_at - 2;
  out[length_at] = (uint8_t)content;
  out[length_at + 1] = (uint8_t)(content >> 8);
}

// Items of the cheapest parse of [start, end), given the longest match found at
// each of its positions.
void OptimalItems(const std::vector<PakMatchFinder::Match> &matches, size_t start, size_t end,
                  std::vector<Item> &items) {
  size_t n = end - start;
  std::vector<uint32_t> cost(n + 1, std::numeric_limits<uint32_t>::max());
  std::vector<Item> step(n + 1);
  cost[0] = 0;
  for (size_t i = 0; i < n; i++) {
    uint32_t here = cost[i];
    if (here + kLiteralBits < cost[i + 1]) {
      cost[i + 1] = here + kLiteralBits;
      step[i + 1] = {1, 0};
    }
    const PakMatchFinder::Match &m = matches[i];
    size_t longest = std::min<size_t>(m.length, n - i);
    for (size_t len = kPakMinMatch; len <= longest; len++) {
      if (here + kMatchBits < cost[i + len]) {
        cost[i + len] = here + kMatchBits;
        step[i + len] = {(uint16_t)len, (uint16_t)m.distance};
      }
    }
  }
  items.clear();
  for (size_t at = n; at > 0; at -= step[at].length) items.push_back(step[at]);
  std::reverse(items.begin(), items.end());
}

void GreedyItems(const std::vector<PakMatchFinder::Match> &matches, size_t start, size_t end,
                 std::vector<Item> &items) {
  items.clear();
  for (size_t i = 0; i < end - start;) {
    size_t len = std::min<size_t>(matches[i].length, end - start - i);
    if (len >= kPakMinMatch) {
      items.push_back({(uint16_t)len, (uint16_t)matches[i].distance});
      i += len;
    } else {
      items.push_back({1, 0});
      i++;
    }
  }
}

}  // namespace

std::vector<uint8_t> PakCompressBlocks(const uint8_t *data, size_t size, PakParse parse, const PakProgress &progress) {
  std::vector<uint8_t> out;
  out.reserve(size + size / 8 + 16);
  PakMatchFinder finder(data, size);
  std::vector<PakMatchFinder::Match> matches;
  std::vector<Item> items;
  for (size_t start = 0; start < size; start += kPakBlockSize) {
    size_t end = std::min<size_t>(start + kPakBlockSize, size);
    matches.resize(end - start);
    for (size_t i = start; i < end; i++) matches[i - start] = finder.Find(i);
    if (parse == PakParse::kOptimal)
      OptimalItems(matches, start, end, items);
    else
      GreedyItems(matches, start, end, items);
    EmitBlock(data, start, items, out);
    if (progress) progress(end - start);
  }
  return out;
}

std::vector<uint8_t> PakStoreBlocks(const uint8_t *data, size_t size) {
  std::vector<uint8_t> out;
  out.reserve(size + 2 * (size / kPakBlockSize + 1));
  for (size_t start = 0; start < size; start += kPakBlockSize) {
    size_t length = std::min<size_t>(kPakBlockSize, size - start);
    out.push_back((uint8_t)length);
    out.push_back((uint8_t)(length >> 8));
    out.insert(out.end(), data + start, data + start + length);
  }
  return out;
}

PakEncodedEntry PakEncodeEntry(const uint8_t *data, size_t size, PakParse parse, const PakProgress &progress) {
  std::vector<uint8_t> compressed = PakCompressBlocks(data, size, parse, progress);
  std::vector<uint8_t> stored = PakStoreBlocks(data, size);
  if (compressed.size() < stored.size()) return {true, std::move(compressed)};
  return {false, std::move(stored)};
}
