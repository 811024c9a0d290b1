// The Windows clipboard and global memory behind the toolkit's clipboard
// interface.
#include "toolkit/base/Clipboard.h"

#include <windows.h>

#include <cstring>

TClipboardFormat RegisterClipboardFormatName(const std::string& name) {
  return static_cast<TClipboardFormat>(RegisterClipboardFormatA(name.c_str()));
}

THandle GlobalBlockAlloc(const void* data, std::size_t size) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size ? size : 1);
  if (!h) return 0;
  void* p = GlobalLock(h);
  if (!p) {
    GlobalFree(h);
    return 0;
  }
  if (size) std::memcpy(p, data, size);
  GlobalUnlock(h);
  return reinterpret_cast<THandle>(h);
}

std::vector<std::uint8_t> GlobalBlockBytes(THandle block) {
  std::vector<std::uint8_t> out;
  HGLOBAL h = reinterpret_cast<HGLOBAL>(block);
  if (!h) return out;
  SIZE_T size = GlobalSize(h);
  const void* p = GlobalLock(h);
  if (!p) return out;
  out.assign(static_cast<const std::uint8_t*>(p), static_cast<const std::uint8_t*>(p) + size);
  GlobalUnlock(h);
  return out;
}

void GlobalBlockFree(THandle block) {
  if (block) GlobalFree(reinterpret_cast<HGLOBAL>(block));
}

bool ClipboardOpen() { return OpenClipboard(nullptr) != FALSE; }
void ClipboardClose() { CloseClipboard(); }
bool ClipboardEmpty() { return EmptyClipboard() != FALSE; }

THandle ClipboardGetData(TClipboardFormat format) {
  return reinterpret_cast<THandle>(GetClipboardData(format));
}

bool ClipboardSetData(TClipboardFormat format, THandle block) {
  return SetClipboardData(format, reinterpret_cast<HANDLE>(block)) != nullptr;
}
