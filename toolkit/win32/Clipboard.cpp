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

// A device-dependent bitmap made from a BMP file image: the file header,
// then the BITMAPINFO (with its masks or colour table), then the rows at
// bfOffBits.
THandle BitmapClipboardData(const std::vector<std::uint8_t>& bmp) {
  if (bmp.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return 0;
  BITMAPFILEHEADER file;
  std::memcpy(&file, bmp.data(), sizeof file);
  if (file.bfOffBits >= bmp.size() || file.bfOffBits < sizeof file + sizeof(BITMAPINFOHEADER)) return 0;
  const auto* info = reinterpret_cast<const BITMAPINFO*>(bmp.data() + sizeof file);
  HDC screen = GetDC(nullptr);
  HBITMAP h = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, bmp.data() + file.bfOffBits, info,
                             DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return reinterpret_cast<THandle>(h);
}

// A 32-bit top-down BMP file image of any bitmap handle.
std::vector<std::uint8_t> BitmapClipboardBytes(THandle data) {
  HBITMAP h = reinterpret_cast<HBITMAP>(data);
  BITMAP bm;
  if (!h || GetObjectType(h) != OBJ_BITMAP || !GetObjectA(h, sizeof bm, &bm)) return {};
  BITMAPINFOHEADER head{};
  head.biSize = sizeof head;
  head.biWidth = bm.bmWidth;
  head.biHeight = -bm.bmHeight;
  head.biPlanes = 1;
  head.biBitCount = 32;
  head.biCompression = BI_RGB;
  std::size_t pixels = static_cast<std::size_t>(bm.bmWidth) * static_cast<std::size_t>(bm.bmHeight) * 4;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof head;
  file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels);
  std::vector<std::uint8_t> out(file.bfOffBits + pixels);
  std::memcpy(out.data(), &file, sizeof file);
  std::memcpy(out.data() + sizeof file, &head, sizeof head);
  HDC screen = GetDC(nullptr);
  int rows = GetDIBits(screen, h, 0, static_cast<UINT>(bm.bmHeight), out.data() + file.bfOffBits,
                       reinterpret_cast<BITMAPINFO*>(out.data() + sizeof file), DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != bm.bmHeight) return {};
  return out;
}

void BitmapClipboardFree(THandle data) {
  if (data) DeleteObject(reinterpret_cast<HBITMAP>(data));
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
