// The block decoder: the format's items, the window across blocks, and data the
// format forbids, which must fail without touching memory outside the buffers.
#include "pak_decoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A window with guard bytes on both sides, so that stray writes show.
struct GuardedWindow {
  std::vector<uint8_t> bytes = std::vector<uint8_t>(kPakWindowSize + 64, 0xEE);
  uint8_t *window() { return bytes.data() + 32; }
  uint8_t *block() { return window() + kPakHistorySize; }
  bool GuardsIntact() const {
    for (size_t i = 0; i < 32; i++)
      if (bytes[i] != 0xEE || bytes[bytes.size() - 1 - i] != 0xEE) return false;
    return true;
  }
};

// One item of a block, and the packing of items into groups.
struct Item {
  bool match;
  uint32_t value;  // the literal byte, or the match word
  static Item Literal(uint8_t byte) { return {false, byte}; }
  static Item Match(uint32_t length, uint32_t distance) { return {true, (length - 3) << 12 | (distance - 3)}; }
};

std::vector<uint8_t> Pack(const std::vector<Item> &items) {
  std::vector<uint8_t> out;
  size_t flag_at = 0;
  for (size_t i = 0; i < items.size(); i++) {
    if (i % 8 == 0) {
      flag_at = out.size();
      out.push_back(0);
    }
    if (items[i].match) {
      out[flag_at] |= (uint8_t)(0x80 >> (i % 8));
      out.push_back((uint8_t)items[i].value);
      out.push_back((uint8_t)(items[i].value >> 8));
    } else {
      out.push_back((uint8_t)items[i].value);
    }
  }
  return out;
}

bool Decode(const std::vector<uint8_t> &content, uint8_t *out, uint32_t history, uint32_t want) {
  return PakDecodeBlock(content.data(), (uint32_t)content.size(), out, history, want);
}

TEST(DecoderTest, ThirdGroupOfTheDecodingExampleWritesPositions16To51) {
  std::vector<uint8_t> content{0x00, 0x4D, 0x5A, 0x50, 0x00, 0x02, 0x00, 0x00, 0x00,
                               0x00, 0x04, 0x00, 0x0F, 0x00, 0xFF, 0xFF, 0x00, 0x00,
                               0x63, 0xB8, 0x09, 0x00, 0x00, 0x10, 0x40, 0x00, 0x1A, 0x07, 0x40, 0x04, 0xF0};
  GuardedWindow w;
  ASSERT_TRUE(Decode(content, w.block(), 0, 52));
  std::vector<uint8_t> expected(36, 0x00);
  expected[0] = 0xB8;   // literal
  expected[8] = 0x40;   // after a 3-byte match at distance 12 and a 4-byte one at distance 3
  expected[10] = 0x1A;  // then 7 bytes at distance 10 and 18 at distance 7, all zero here
  EXPECT_EQ(std::vector<uint8_t>(w.block() + 16, w.block() + 52), expected);
  EXPECT_TRUE(w.GuardsIntact());
}

TEST(DecoderTest, OverlappingMatchRepeatsItsPatternAndUnusedFlagBitsAreIgnored) {
  // "abc", then distance 3 length 18; the remaining four flag bits are set but unused.
  std::vector<uint8_t> content{0x1F, 'a', 'b', 'c', 0x00, 0xF0};
  GuardedWindow w;
  ASSERT_TRUE(Decode(content, w.block(), 0, 21));
  std::string out(reinterpret_cast<char *>(w.block()), 21);
  EXPECT_EQ(out, "abcabcabcabcabcabcabc");
}

TEST(DecoderTest, EntryDecoderCarriesTheWindowAcrossBlocks) {
  // Block 1: 16,384 literals; block 2 starts with a match at distance 4,098.
  std::vector<uint8_t> first;
  std::vector<uint8_t> source(kPakBlockSize);
  for (size_t i = 0; i < source.size(); i++) source[i] = (uint8_t)(i * 7 + i / 251);
  for (size_t i = 0; i < source.size(); i++) {
    if (i % 8 == 0) first.push_back(0);
    first.push_back(source[i]);
  }
  uint16_t word = (uint16_t)((18 - 3) << 12 | (4098 - 3));
  std::vector<uint8_t> second{0x80, (uint8_t)word, (uint8_t)(word >> 8)};

  GuardedWindow w;
  PakEntryDecoder decoder;
  PakEntryDecoderStart(decoder, w.window(), kPakBlockSize + 18, true);
  ASSERT_EQ(PakEntryDecodeBlock(decoder, first.data(), (uint32_t)first.size()), (int32_t)kPakBlockSize);
  EXPECT_EQ(0, memcmp(PakEntryBlockOutput(decoder), source.data(), kPakBlockSize));
  ASSERT_EQ(PakEntryDecodeBlock(decoder, second.data(), (uint32_t)second.size()), 18);
  EXPECT_EQ(0, memcmp(PakEntryBlockOutput(decoder), source.data() + kPakBlockSize - 4098, 18));
  EXPECT_TRUE(PakEntryDecoderDone(decoder));
  EXPECT_TRUE(w.GuardsIntact());
}

TEST(DecoderTest, ForbiddenDataFailsInsideTheBuffers) {
  GuardedWindow w;
  uint8_t *out = w.block();
  // Items running past the block's content: a literal, a match word cut in half, no flag byte.
  EXPECT_FALSE(Decode({0x00, 'a'}, out, 0, 2));
  EXPECT_FALSE(Decode({0x10, 'a', 'b', 'c', 0x00}, out, 0, 6));
  EXPECT_FALSE(Decode({0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'}, out, 0, 9));
  EXPECT_FALSE(Decode({}, out, 0, 1));
  // A match reaching before the entry's first byte, with and without history.
  EXPECT_FALSE(Decode({0x10, 'a', 'b', 'c', 0x01, 0x00}, out, 0, 7));
  EXPECT_TRUE(Decode({0x10, 'a', 'b', 'c', 0x01, 0x00}, out, 1, 6));
  EXPECT_FALSE(Decode({0x80, 0xFF, 0x0F}, out, 4097, 3));
  EXPECT_TRUE(Decode({0x80, 0xFF, 0x0F}, out, 4098, 3));
  // A match running past what the block or the entry may still hold.
  EXPECT_FALSE(Decode({0x10, 'a', 'b', 'c', 0x00, 0x10}, out, 0, 6));
  EXPECT_TRUE(w.GuardsIntact());

  // The same checks hold far from the block's ends, where the decoder goes faster.
  std::vector<uint8_t> far;
  for (int group = 0; group < 100; group++) {
    far.push_back(0x00);
    for (int i = 0; i < 8; i++) far.push_back((uint8_t)i);
  }
  far.push_back(0x80);
  far.push_back(0xFF);  // distance 4,098 after only 800 bytes
  far.push_back(0x0F);
  far.insert(far.end(), 40, 0);
  EXPECT_FALSE(Decode(far, out, 0, kPakBlockSize));
  EXPECT_TRUE(w.GuardsIntact());
}

TEST(DecoderTest, BlockEndsWhenFullEvenWithContentLeft) {
  // An entry of exactly one block: both end conditions hold after the last item.
  std::vector<Item> items{Item::Literal('a'), Item::Literal('b'), Item::Literal('c')};
  for (size_t made = 3; made < kPakBlockSize;) {
    uint32_t len = kPakBlockSize - made < 18 ? (uint32_t)(kPakBlockSize - made) : 18;
    if (kPakBlockSize - made - len > 0 && kPakBlockSize - made - len < 3) len -= 3;  // keep the last one expressible
    items.push_back(Item::Match(len, 3));
    made += len;
  }
  std::vector<uint8_t> content = Pack(items);
  content.push_back(0x00);  // a stray flag byte after the last item is ignored
  GuardedWindow w;
  PakEntryDecoder decoder;
  PakEntryDecoderStart(decoder, w.window(), kPakBlockSize, true);
  ASSERT_EQ(PakEntryDecodeBlock(decoder, content.data(), (uint32_t)content.size()), (int32_t)kPakBlockSize);
  EXPECT_TRUE(PakEntryDecoderDone(decoder));
  EXPECT_EQ(PakEntryBlockOutput(decoder)[kPakBlockSize - 1], "abc"[(kPakBlockSize - 1) % 3]);
  EXPECT_EQ(PakEntryDecodeBlock(decoder, content.data(), 4), -1);  // nothing more to decode
  EXPECT_TRUE(w.GuardsIntact());
}

TEST(DecoderTest, StoredBlocksAreCopiedAndMustFitTheEntry) {
  GuardedWindow w;
  PakEntryDecoder decoder;
  std::vector<uint8_t> data(kPakBlockSize + 1, 0x5A);
  PakEntryDecoderStart(decoder, w.window(), 20000, false);
  EXPECT_EQ(PakEntryDecodeBlock(decoder, data.data(), kPakBlockSize + 1), -1);  // above 16,384
  EXPECT_EQ(PakEntryDecodeBlock(decoder, data.data(), 0), -1);                  // would never end
  EXPECT_EQ(PakEntryDecodeBlock(decoder, data.data(), kPakBlockSize), (int32_t)kPakBlockSize);
  EXPECT_EQ(PakEntryDecodeBlock(decoder, data.data(), 3617), -1);  // past UnpackedSize
  EXPECT_EQ(PakEntryDecodeBlock(decoder, data.data(), 3616), 3616);
  EXPECT_TRUE(PakEntryDecoderDone(decoder));

  PakEntryDecoderStart(decoder, w.window(), 100, true);
  std::vector<uint8_t> huge(kPakInputSize + 1, 0);
  EXPECT_EQ(PakEntryDecodeBlock(decoder, huge.data(), (uint32_t)huge.size()), -1);  // above 22,000
  EXPECT_TRUE(w.GuardsIntact());
}

}  // namespace
