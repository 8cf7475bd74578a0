// The record sort engine as a command, the same job as `sort -T FOLDER -o OUT IN`:
// reads lines of one length from IN, sorts them byte by byte with the engine
// (work file in FOLDER) and writes them to OUT.
//
//   sort_keys -T FOLDER -o OUT IN
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "browser/recsort.h"

int main(int argc, char** argv) {
  std::string folder = ".", out, in;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "-T") && i + 1 < argc)
      folder = argv[++i];
    else if (!std::strcmp(argv[i], "-o") && i + 1 < argc)
      out = argv[++i];
    else
      in = argv[i];
  }
  std::FILE* fi = in.empty() ? nullptr : std::fopen(in.c_str(), "rb");
  std::FILE* fo = out.empty() ? nullptr : std::fopen(out.c_str(), "wb");
  if (!fi || !fo) {
    std::fprintf(stderr, "usage: sort_keys -T FOLDER -o OUT IN\n");
    return 2;
  }
  // The key length is the first line's.
  int c;
  std::size_t keyLength = 0;
  while ((c = std::fgetc(fi)) != EOF && c != '\n') ++keyLength;
  std::rewind(fi);
  const std::size_t line = keyLength + 1;

  browser::SortLimits limits;
  limits.workFolder = folder + "/";
  browser::RecordSort sort(limits);
  bool ragged = false;
  sort.onInput = [&](browser::RecordSort& s) {
    std::vector<char> block((1 << 20) / line * line);
    std::size_t got;
    while ((got = std::fread(block.data(), 1, block.size(), fi)) > 0) {
      if (got % line) ragged = true;
      for (std::size_t off = 0; off + line <= got; off += line) {
        if (block[off + keyLength] != '\n') ragged = true;
        s.SortPut(block.data() + off, keyLength);
      }
    }
  };
  sort.onOutput = [&](browser::RecordSort& s) {
    std::vector<char> block(((1 << 20) / line) * line);
    std::size_t used = 0;
    while (!s.SortEnd() && s.SortGet(block.data() + used)) {
      block[used + keyLength] = '\n';
      used += line;
      if (used + line > block.size()) {
        std::fwrite(block.data(), 1, used, fo);
        used = 0;
      }
    }
    std::fwrite(block.data(), 1, used, fo);
  };
  const int status = sort.SortRun(static_cast<std::int32_t>(keyLength));
  std::fclose(fi);
  if (std::fclose(fo) != 0 || status != 0 || ragged) {
    std::fprintf(stderr, "sort_keys: %s\n", ragged ? "lines of different lengths" : "sort failed");
    return 1;
  }
  return 0;
}
