// The archive writer: round trips through the launcher's decoder, optimality of the
// parse against a brute-force search, the block rules, and the writer's refusals.
#include "pak_archive_writer.h"
#include "pak_compressor.h"
#include "pak_decoder.h"
#include "pak_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

// Decodes blocks as the launcher does; fails the test on any fault.
std::vector<uint8_t> DecodeAll(const std::vector<uint8_t> &blocks, size_t size, bool compressed) {
  std::vector<uint8_t> window(kPakWindowSize), out;
  PakEntryDecoder decoder;
  PakEntryDecoderStart(decoder, window.data(), (uint32_t)size, compressed);
  size_t at = 0;
  while (!PakEntryDecoderDone(decoder)) {
    EXPECT_LE(at + 2, blocks.size());
    if (at + 2 > blocks.size()) break;
    uint32_t length = blocks[at] | blocks[at + 1] << 8;
    at += 2;
    int32_t produced = PakEntryDecodeBlock(decoder, blocks.data() + at, length);
    EXPECT_GT(produced, 0) << "block at " << at;
    if (produced <= 0) break;
    out.insert(out.end(), PakEntryBlockOutput(decoder), PakEntryBlockOutput(decoder) + produced);
    at += length;
  }
  EXPECT_EQ(at, blocks.size()) << "blocks left over";
  return out;
}

void ExpectRoundTrip(const std::vector<uint8_t> &data, PakParse parse = PakParse::kOptimal) {
  std::vector<uint8_t> blocks = PakCompressBlocks(data.data(), data.size(), parse);
  EXPECT_EQ(DecodeAll(blocks, data.size(), true), data);
}

std::vector<uint8_t> Random(size_t size, unsigned alphabet, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> data(size);
  for (auto &b : data) b = (uint8_t)(rng() % alphabet);
  return data;
}

// The smallest possible block content for `data` (one block), by trying every match
// at every distance and length: no assumption about which matches matter.
size_t BruteForceBlockBytes(const std::vector<uint8_t> &data) {
  size_t n = data.size();
  const uint32_t kInf = 1u << 30;
  std::vector<uint32_t> bits(n + 1, kInf);
  bits[0] = 0;
  for (size_t i = 0; i < n; i++) {
    bits[i + 1] = std::min(bits[i + 1], bits[i] + 9);
    for (size_t d = kPakMinDistance; d <= std::min<size_t>(i, kPakMaxDistance); d++)
      for (size_t len = kPakMinMatch; len <= kPakMaxMatch && i + len <= n; len++) {
        bool equal = true;
        for (size_t k = 0; k < len && equal; k++) equal = data[i + k] == data[i + k - d];
        if (!equal) break;
        bits[i + len] = std::min(bits[i + len], bits[i] + 17);
      }
  }
  return (bits[n] + 7) / 8;
}

TEST(WriterTest, ParseIsAsSmallAsTheBruteForceOptimum) {
  for (unsigned seed = 0; seed < 300; seed++) {
    size_t size = 1 + seed % 120;
    std::vector<uint8_t> data = Random(size, 2 + seed % 4, seed);
    std::vector<uint8_t> blocks = PakCompressBlocks(data.data(), data.size(), PakParse::kOptimal);
    ASSERT_EQ(blocks.size() - 2, BruteForceBlockBytes(data)) << "seed " << seed;
    ASSERT_EQ(DecodeAll(blocks, data.size(), true), data) << "seed " << seed;
  }
}

TEST(WriterTest, ParseStaysOptimalOnLongRepeatsAndRuns) {
  std::mt19937 rng(77);
  for (int round = 0; round < 60; round++) {
    std::vector<uint8_t> data;
    while (data.size() < 300) {
      size_t length = 1 + rng() % 40;
      if (data.size() > 3 && rng() % 2) {
        size_t distance = 1 + rng() % std::min<size_t>(data.size(), 60);  // runs (1, 2) and repeats
        for (size_t k = 0; k < length; k++) data.push_back(data[data.size() - distance]);
      } else {
        for (size_t k = 0; k < length; k++) data.push_back((uint8_t)(rng() % 3));
      }
    }
    std::vector<uint8_t> blocks = PakCompressBlocks(data.data(), data.size(), PakParse::kOptimal);
    ASSERT_EQ(blocks.size() - 2, BruteForceBlockBytes(data)) << "round " << round;
    ASSERT_EQ(DecodeAll(blocks, data.size(), true), data) << "round " << round;
  }
}

TEST(WriterTest, OptimalParseNeverLosesToGreedy) {
  for (unsigned seed = 0; seed < 20; seed++) {
    std::vector<uint8_t> data = Random(30000, 3 + seed, seed);
    size_t optimal = PakCompressBlocks(data.data(), data.size(), PakParse::kOptimal).size();
    size_t greedy = PakCompressBlocks(data.data(), data.size(), PakParse::kGreedy).size();
    EXPECT_LE(optimal, greedy);
    ExpectRoundTrip(data, PakParse::kGreedy);
  }
}

TEST(WriterTest, RoundTripsGeneratedData) {
  ExpectRoundTrip(std::vector<uint8_t>(1, 'x'));
  ExpectRoundTrip(std::vector<uint8_t>(100000, 0));  // one long run
  for (size_t blocks : {1, 2, 5}) ExpectRoundTrip(Random(blocks * kPakBlockSize, 4, (unsigned)blocks));
  ExpectRoundTrip(Random(kPakBlockSize + 1, 256, 9));
  // Repeats at the longest distance, straddling every block boundary.
  std::vector<uint8_t> far = Random(4098, 256, 7);
  while (far.size() < 5 * kPakBlockSize) far.push_back(far[far.size() - 4098]);
  ExpectRoundTrip(far);
  std::vector<uint8_t> blocks = PakCompressBlocks(far.data(), far.size(), PakParse::kOptimal);
  EXPECT_LT(blocks.size(), far.size() / 5);  // the repeats were found
}

TEST(WriterTest, FirstMatchOfTheSecondBlockReachesBackIntoTheFirst) {
  std::vector<uint8_t> data = Random(kPakBlockSize, 256, 3);
  data.insert(data.end(), data.end() - 4098, data.end() - 4098 + 18);
  std::vector<uint8_t> blocks = PakCompressBlocks(data.data(), data.size(), PakParse::kOptimal);
  size_t second = 2 + (blocks[0] | blocks[1] << 8);
  ASSERT_EQ(blocks.size(), second + 2 + 3);  // a flag byte and one match word
  EXPECT_EQ(blocks[second + 2], 0x80);
  EXPECT_EQ(blocks[second + 3] | blocks[second + 4] << 8, (18 - 3) << 12 | (4098 - 3));
  EXPECT_EQ(DecodeAll(blocks, data.size(), true), data);
}

TEST(WriterTest, RoundTripsARealProgram) {
  std::vector<uint8_t> data;
  for (const char *path : {"/bin/sh", "/usr/bin/env", "/usr/bin/cmp"}) {
    FILE *f = std::fopen(path, "rb");
    if (!f) continue;
    int c;
    while ((c = std::fgetc(f)) != EOF) data.push_back((uint8_t)c);
    std::fclose(f);
    break;
  }
  ASSERT_GT(data.size(), 10000u);
  PakEncodedEntry entry = PakEncodeEntry(data.data(), data.size(), PakParse::kOptimal);
  EXPECT_TRUE(entry.compressed);
  EXPECT_LT(entry.blocks.size(), data.size());
  EXPECT_EQ(DecodeAll(entry.blocks, data.size(), true), data);
}

TEST(WriterTest, StoresDataThatDoesNotCompress) {
  std::vector<uint8_t> data = Random(20000, 256, 1);
  PakEncodedEntry entry = PakEncodeEntry(data.data(), data.size(), PakParse::kOptimal);
  EXPECT_FALSE(entry.compressed);
  EXPECT_EQ(entry.blocks.size(), 20000u + 2 * 2);
  EXPECT_EQ(DecodeAll(entry.blocks, data.size(), false), data);
}

TEST(WriterTest, ArchiveListsBackAndRefusesWhatTheLauncherCannotRead) {
  PakInputFile setup{"c:\\disk\\runsetup.exe", std::vector<uint8_t>(5000, 'a'), PakDosDateTime(0)};
  PakInputFile readme{"readme.txt", Random(300, 256, 2), 0x2C398680};
  std::vector<uint8_t> archive = PakBuildArchive({setup, readme}, PakParse::kOptimal);
  std::vector<uint8_t> launcher(1000, 0x4D), tail{'t', 'a', 'i', 'l'}, file;
  std::string error;
  ASSERT_TRUE(PakBuildSetup(launcher, 4096, archive, tail, file, error));
  ASSERT_EQ(file.size(), 4096 + archive.size() + 4);
  EXPECT_EQ(file[4096], 0x00);
  EXPECT_EQ(file[4097], 0x01);
  EXPECT_TRUE(std::equal(archive.end() - 14, archive.end(), std::vector<uint8_t>(14, 0).begin()));

  std::vector<PakEntryInfo> entries;
  ASSERT_TRUE(PakReadEntries(file, 4096, entries, error)) << error;
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, setup.stored_name);
  EXPECT_EQ(entries[0].flags, 1);
  EXPECT_EQ(entries[0].file_date, (1u << 5 | 1u) << 16);  // before 1980: 1 January 1980
  EXPECT_EQ(entries[1].flags, 0);
  EXPECT_EQ(entries[1].file_date, 0x2C398680u);
  std::vector<uint8_t> out;
  ASSERT_TRUE(PakDecodeEntry(file, entries[1], out, error));
  EXPECT_EQ(out, readme.data);

  EXPECT_FALSE(PakBuildSetup(std::vector<uint8_t>(4097), 4096, archive, tail, file, error));
  EXPECT_NE(error.find("larger than its archive offset"), std::string::npos);
  EXPECT_NE(PakCheckInput({"empty", {}, 0}).find("empty"), std::string::npos);
  EXPECT_NE(PakCheckInput({std::string(256, 'n'), {1}, 0}).find("255"), std::string::npos);
  EXPECT_EQ(PakCheckInput({std::string(255, 'n'), {1}, 0}), "");
  // The launcher refuses names that could leave its directory, so they are never stored.
  for (const char *name : {"c:\\dist\\../esc/runsetup.exe", "c:\\dist\\", "c:\\dist\\..", "c:runsetup.exe"})
    EXPECT_NE(PakCheckInput({name, {1}, 0}).find("plain file name"), std::string::npos) << name;
  EXPECT_EQ(PakCheckInput({"c:\\mornavel\\disk1\\runsetup.exe", {1}, 0}), "");
}

}  // namespace
