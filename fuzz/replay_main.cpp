// Replays a fuzz target over a corpus folder and a fixed set of pseudo-random inputs, so that the
// same targets run as ordinary tests where libFuzzer is not available.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path dir(argv[i]);
    if (!std::filesystem::is_directory(dir)) continue;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
      ++count;
    }
  }
  // Random inputs, and random mutations of printable markup-ish alphabets, from a fixed seed.
  std::mt19937 rng(12345);
  const std::string alphabet = "<>/=\"' ![]?-CDATAabcxyz01\r\n\t\\$.*+()|{}^&;:,#";
  for (int round = 0; round < 2000; ++round) {
    size_t len = rng() % (round < 1000 ? 64 : 2048);
    std::vector<uint8_t> bytes(len);
    bool binary = round % 3 == 0;
    for (auto& b : bytes)
      b = binary ? static_cast<uint8_t>(rng()) : static_cast<uint8_t>(alphabet[rng() % alphabet.size()]);
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    ++count;
  }
  std::printf("replayed %zu inputs\n", count);
  return 0;
}
