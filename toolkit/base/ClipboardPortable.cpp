// In-process clipboard for builds without a system clipboard: one table of
// named formats, one of memory blocks and one of clipboard contents.
#include "toolkit/base/Clipboard.h"

#include <map>
#include <mutex>

namespace {

struct State {
  std::mutex lock;
  std::vector<std::string> formatNames;  // format 0xC000 + i
  std::map<THandle, std::vector<std::uint8_t>> blocks;
  std::map<TClipboardFormat, THandle> contents;
  THandle nextBlock = 1;
  bool open = false;
};

State& S() {
  static State s;
  return s;
}

}  // namespace

TClipboardFormat RegisterClipboardFormatName(const std::string& name) {
  std::lock_guard<std::mutex> g(S().lock);
  auto& names = S().formatNames;
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i] == name) return static_cast<TClipboardFormat>(0xC000 + i);
  names.push_back(name);
  return static_cast<TClipboardFormat>(0xC000 + names.size() - 1);
}

THandle GlobalBlockAlloc(const void* data, std::size_t size) {
  std::lock_guard<std::mutex> g(S().lock);
  THandle h = S().nextBlock++;
  auto& b = S().blocks[h];
  const auto* p = static_cast<const std::uint8_t*>(data);
  b.assign(p, p + size);
  return h;
}

std::vector<std::uint8_t> GlobalBlockBytes(THandle block) {
  std::lock_guard<std::mutex> g(S().lock);
  auto it = S().blocks.find(block);
  return it == S().blocks.end() ? std::vector<std::uint8_t>() : it->second;
}

void GlobalBlockFree(THandle block) {
  std::lock_guard<std::mutex> g(S().lock);
  S().blocks.erase(block);
}

THandle BitmapClipboardData(const std::vector<std::uint8_t>& bmpFile) {
  return GlobalBlockAlloc(bmpFile.data(), bmpFile.size());
}
std::vector<std::uint8_t> BitmapClipboardBytes(THandle data) { return GlobalBlockBytes(data); }
void BitmapClipboardFree(THandle data) { GlobalBlockFree(data); }

bool ClipboardOpen() {
  std::lock_guard<std::mutex> g(S().lock);
  if (S().open) return false;
  S().open = true;
  return true;
}

void ClipboardClose() {
  std::lock_guard<std::mutex> g(S().lock);
  S().open = false;
}

bool ClipboardEmpty() {
  std::lock_guard<std::mutex> g(S().lock);
  if (!S().open) return false;
  for (auto& c : S().contents) S().blocks.erase(c.second);
  S().contents.clear();
  return true;
}

THandle ClipboardGetData(TClipboardFormat format) {
  std::lock_guard<std::mutex> g(S().lock);
  if (!S().open) return 0;
  auto it = S().contents.find(format);
  return it == S().contents.end() ? 0 : it->second;
}

bool ClipboardSetData(TClipboardFormat format, THandle block) {
  std::lock_guard<std::mutex> g(S().lock);
  if (!S().open || S().blocks.find(block) == S().blocks.end()) return false;
  auto old = S().contents.find(format);
  if (old != S().contents.end()) S().blocks.erase(old->second);
  S().contents[format] = block;
  return true;
}
