// Shared by the GIF benchmarks: whole files and giflib reading from memory.
#pragma once

#include <gif_lib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace benchgif {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ReadAll(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// giflib's input function over bytes in memory (DGifOpen's user data).
struct MemReader {
  const Bytes* data;
  std::size_t pos;
};

inline int ReadMem(GifFileType* gif, GifByteType* buf, int n) {
  auto* m = static_cast<MemReader*>(gif->UserData);
  std::size_t k = std::min<std::size_t>(static_cast<std::size_t>(n), m->data->size() - m->pos);
  std::memcpy(buf, m->data->data() + m->pos, k);
  m->pos += k;
  return static_cast<int>(k);
}

}  // namespace benchgif
