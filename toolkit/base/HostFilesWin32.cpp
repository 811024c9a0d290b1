// Host file operations for Windows: system names go to the ANSI functions as they are.
#include "toolkit/base/HostFiles.h"

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace hostfiles {

std::string HostName(const std::string& SysName) { return SysName; }

std::string SystemName(const std::string& Host, bool* Ok) {
  if (Ok) *Ok = true;
  return Host;
}

namespace {
DWORD Attributes(const std::string& SysName) {
  return SysName.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(SysName.c_str());
}
}  // namespace

bool FileExists(const std::string& SysName) {
  DWORD A = Attributes(SysName);
  return A != INVALID_FILE_ATTRIBUTES && !(A & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& SysName) {
  DWORD A = Attributes(SysName);
  return A != INVALID_FILE_ATTRIBUTES && (A & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::string& SysName) {
  std::string Dir = SysName;
  while (Dir.size() > 1 && (Dir.back() == '\\' || Dir.back() == '/')) Dir.pop_back();
  if (Dir.empty()) return false;
  if (DirectoryExists(Dir)) return true;
  size_t Cut = Dir.find_last_of("\\/");
  if (Cut != std::string::npos && Cut > 0 && Dir[Cut - 1] != ':' &&
      !ForceDirectories(Dir.substr(0, Cut)))
    return false;
  CreateDirectoryA(Dir.c_str(), nullptr);
  return DirectoryExists(Dir);
}

bool EraseFile(const std::string& SysName) { return DeleteFileA(SysName.c_str()) != 0; }

bool RenameOver(const std::string& Source, const std::string& Dest) {
  return MoveFileExA(Source.c_str(), Dest.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::string CreateUniqueFile(const std::string& Folder, const std::string& Prefix) {
  char Buf[MAX_PATH];
  if (Folder.size() >= MAX_PATH - 14) return std::string();
  if (GetTempFileNameA(Folder.empty() ? "." : Folder.c_str(), Prefix.c_str(), 0, Buf) == 0)
    return std::string();
  return Buf;
}

bool ReadFolder(const std::string& Folder, std::vector<std::pair<std::string, bool>>& Items) {
  WIN32_FIND_DATAA Data;
  std::string Pattern = (Folder.empty() ? std::string(".") : Folder) + "\\*.*";
  HANDLE H = FindFirstFileA(Pattern.c_str(), &Data);
  if (H == INVALID_HANDLE_VALUE) return false;
  do {
    std::string Name = Data.cFileName;
    if (Name == "." || Name == "..") continue;
    Items.emplace_back(Name, (Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
  } while (FindNextFileA(H, &Data));
  FindClose(H);
  return true;
}

bool MoveNoReplace(const std::string& Source, const std::string& Dest) {
  return MoveFileA(Source.c_str(), Dest.c_str()) != 0;
}

// ---- open files -------------------------------------------------------------

namespace {
// The most one ReadFile or WriteFile call is asked to move.
const size_t kMaxPiece = size_t(1) << 30;

HANDLE AsHandle(TFileHandle Handle) { return reinterpret_cast<HANDLE>(Handle); }
}  // namespace

TFileHandle FileOpen(const std::string& SysName, TOpenMode Mode) {
  if (SysName.empty()) return kNoFile;
  const bool Writes = Mode == omCreate || Mode == omReadWrite;
  const DWORD Access = Writes ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
  const DWORD Share = Mode == omRead            ? FILE_SHARE_READ | FILE_SHARE_WRITE
                      : Mode == omReadDenyWrite ? FILE_SHARE_READ
                                                : 0;
  const DWORD Disposition = Mode == omCreate ? CREATE_ALWAYS : OPEN_EXISTING;
  HANDLE H = CreateFileA(SysName.c_str(), Access, Share, nullptr, Disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  return H == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<TFileHandle>(H);
}

void FileClose(TFileHandle Handle) {
  if (Handle != kNoFile) CloseHandle(AsHandle(Handle));
}

size_t FileRead(TFileHandle Handle, void* Buffer, size_t Count) {
  size_t Done = 0;
  while (Done < Count) {
    DWORD N = 0;
    const DWORD Want = static_cast<DWORD>(std::min(Count - Done, kMaxPiece));
    if (!ReadFile(AsHandle(Handle), static_cast<char*>(Buffer) + Done, Want, &N, nullptr) || N == 0) break;
    Done += N;
  }
  return Done;
}

size_t FileWrite(TFileHandle Handle, const void* Buffer, size_t Count) {
  size_t Done = 0;
  while (Done < Count) {
    DWORD N = 0;
    const DWORD Want = static_cast<DWORD>(std::min(Count - Done, kMaxPiece));
    if (!WriteFile(AsHandle(Handle), static_cast<const char*>(Buffer) + Done, Want, &N, nullptr) || N == 0) break;
    Done += N;
  }
  return Done;
}

int64_t FileSeek(TFileHandle Handle, int64_t Offset, TSeekFrom From) {
  const DWORD Method = From == sfBeginning ? FILE_BEGIN : From == sfCurrent ? FILE_CURRENT : FILE_END;
  LARGE_INTEGER Dist, Pos;
  Dist.QuadPart = Offset;
  if (!SetFilePointerEx(AsHandle(Handle), Dist, &Pos, Method)) return -1;
  return Pos.QuadPart;
}

bool FileTruncate(TFileHandle Handle, int64_t Size) {
  return Size >= 0 && FileSeek(Handle, Size, sfBeginning) == Size && SetEndOfFile(AsHandle(Handle));
}

}  // namespace hostfiles
