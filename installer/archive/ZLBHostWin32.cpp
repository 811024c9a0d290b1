// Host operations for Windows: system names go to the ANSI functions as they are.
#include "ZLBBase.h"
#include "ZLBHost.h"

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace zlbhost {

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

}  // namespace zlbhost

namespace zlbbase {

TFileStream::TFileStream(const std::string& FileName, TFileMode Mode) : FFileName(FileName) {
  DWORD Access = Mode == fmOpenReadShared ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  DWORD Share = Mode == fmOpenReadShared ? FILE_SHARE_READ : 0;
  DWORD Disposition = Mode == fmCreate ? CREATE_ALWAYS : OPEN_EXISTING;
  HANDLE H = FileName.empty() ? INVALID_HANDLE_VALUE
                              : CreateFileA(FileName.c_str(), Access, Share, nullptr, Disposition,
                                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (H == INVALID_HANDLE_VALUE) throw EStreamError(Format("Cannot open file (%s)", FileName));
  FHandle = reinterpret_cast<intptr_t>(H);
}

TFileStream::~TFileStream() { CloseHandle(reinterpret_cast<HANDLE>(FHandle)); }

int32_t TFileStream::Read(void* Buffer, int32_t Count) {
  DWORD N = 0;
  if (Count <= 0 || !ReadFile(reinterpret_cast<HANDLE>(FHandle), Buffer, static_cast<DWORD>(Count), &N, nullptr))
    return 0;
  return static_cast<int32_t>(N);
}

int32_t TFileStream::Write(const void* Buffer, int32_t Count) {
  DWORD N = 0;
  if (Count <= 0 || !WriteFile(reinterpret_cast<HANDLE>(FHandle), Buffer, static_cast<DWORD>(Count), &N, nullptr))
    return 0;
  return static_cast<int32_t>(N);
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  DWORD Method = Origin == soBeginning ? FILE_BEGIN : Origin == soCurrent ? FILE_CURRENT : FILE_END;
  LARGE_INTEGER Dist, Pos;
  Dist.QuadPart = Offset;
  if (!SetFilePointerEx(reinterpret_cast<HANDLE>(FHandle), Dist, &Pos, Method))
    throw EStreamError("Invalid stream operation");
  return Pos.QuadPart;
}

void TFileStream::SetSize(int64_t NewSize) {
  int64_t Pos = Position();
  Seek(NewSize, soBeginning);
  if (NewSize < 0 || !SetEndOfFile(reinterpret_cast<HANDLE>(FHandle))) throw EStreamError("Stream write error");
  Seek(std::min(Pos, NewSize), soBeginning);
}

}  // namespace zlbbase
