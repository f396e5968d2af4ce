// The fuzz programs' own main where libFuzzer is not linked (a g++ tree): every file named, and every
// file in each folder named, goes to the program's entry point once, in name order. A crash or an
// abort is the program's own; a run that found nothing to feed fails, so a corpus that went missing is
// noticed rather than passed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> inputsIn(const fs::path& named) {
  if (!fs::is_directory(named)) return {named};
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(named)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t fed = 0;
  for (int i = 1; i < argc; ++i) {
    for (const fs::path& path : inputsIn(argv[i])) {
      std::ifstream file(path, std::ios::binary);
      if (!file) {
        std::cerr << argv[0] << ": cannot read " << path.string() << "\n";
        return 1;
      }
      const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
      // An empty input still goes through a pointer that may be read, as libFuzzer's does.
      static const std::uint8_t nothing = 0;
      LLVMFuzzerTestOneInput(bytes.empty() ? &nothing : bytes.data(), bytes.size());
      ++fed;
    }
  }
  if (fed == 0) {
    std::cerr << "usage: " << argv[0] << " FILE|FOLDER...: no input was found to feed\n";
    return 1;
  }
  std::cout << argv[0] << ": " << fed << " input(s) fed, none failed\n";
  return 0;
}
