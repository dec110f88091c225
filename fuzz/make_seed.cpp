// Writes seed archives for the fuzzer into the given folder: compressed and stored
// entries of a few sizes, made by the archive writer.
#include "pak_archive_writer.h"

#include <cstdio>
#include <string>

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: pak_fuzz_seed DIR\n");
    return 2;
  }
  const size_t sizes[] = {1, 40, 700, 17000};
  int index = 0;
  for (size_t size : sizes) {
    PakInputFile file;
    file.stored_name = "c:\\disk\\runsetup.exe";
    for (size_t i = 0; i < size; i++) file.data.push_back((uint8_t)("setup program "[i % 14] + (i / 97) % 3));
    std::vector<uint8_t> archive = PakBuildArchive({file}, PakParse::kOptimal);
    std::string path = std::string(argv[1]) + "/seed" + std::to_string(index++);
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return 1;
    std::fwrite(archive.data(), 1, archive.size(), f);
    std::fclose(f);
  }
  return 0;
}
