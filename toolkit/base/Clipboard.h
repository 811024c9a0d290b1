// The system clipboard and its global memory blocks, behind a small
// interface: the Windows build uses the real clipboard (toolkit/win32), the
// portable build an in-process stand-in with the same rules, so clipboard
// code is tested everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using THandle = std::uintptr_t;        // a global memory block (HGLOBAL on Windows)
using TClipboardFormat = std::uint16_t;

constexpr TClipboardFormat CF_BITMAP_FORMAT = 2;  // the platform's bitmap format

// Registers a named clipboard format; the same name gives the same number.
// Returns 0 on failure.
TClipboardFormat RegisterClipboardFormatName(const std::string& name);

// Global memory blocks, as the clipboard takes and gives them.
THandle GlobalBlockAlloc(const void* data, std::size_t size);  // 0 when out of memory
std::vector<std::uint8_t> GlobalBlockBytes(THandle block);      // a copy of the contents
void GlobalBlockFree(THandle block);

// The platform's data for CF_BITMAP_FORMAT, made from and read back as the
// bytes of a BMP file. On Windows it is a bitmap handle (HBITMAP), as other
// programs expect under that format; the portable build keeps a block. The
// maker owns what BitmapClipboardData returns until the clipboard takes it;
// BitmapClipboardFree releases it. Both return 0 / empty when they fail.
THandle BitmapClipboardData(const std::vector<std::uint8_t>& bmpFile);
std::vector<std::uint8_t> BitmapClipboardBytes(THandle data);
void BitmapClipboardFree(THandle data);

// Clipboard access. Open and Close bracket GetData/SetData/Empty. SetData
// hands the block to the clipboard when it succeeds; the caller still owns it
// when it fails. GetData's block stays the clipboard's.
bool ClipboardOpen();
void ClipboardClose();
bool ClipboardEmpty();
THandle ClipboardGetData(TClipboardFormat format);
bool ClipboardSetData(TClipboardFormat format, THandle block);
