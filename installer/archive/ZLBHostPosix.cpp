// Host operations for POSIX systems: system names are mapped to UTF-8 with '/'.
#include "ZLBBase.h"
#include "ZLBHost.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <utility>
#include <vector>

namespace zlbhost {

std::string HostName(const std::string& SysName) {
  std::string Host = AnsiToUtf8(SysName);
  std::replace(Host.begin(), Host.end(), '\\', '/');
  return Host;
}

std::string SystemName(const std::string& Host, bool* Ok) {
  std::string Sys = Utf8ToAnsi(Host, Ok);
  std::replace(Sys.begin(), Sys.end(), '/', '\\');
  return Sys;
}

namespace {
bool StatMode(const std::string& SysName, mode_t& Mode) {
  struct stat St;
  if (SysName.empty() || stat(HostName(SysName).c_str(), &St) != 0) return false;
  Mode = St.st_mode;
  return true;
}
}  // namespace

bool FileExists(const std::string& SysName) {
  mode_t M;
  return StatMode(SysName, M) && !S_ISDIR(M);
}

bool DirectoryExists(const std::string& SysName) {
  mode_t M;
  return StatMode(SysName, M) && S_ISDIR(M);
}

bool ForceDirectories(const std::string& SysName) {
  std::string Dir = SysName;
  while (Dir.size() > 1 && Dir.back() == '\\') Dir.pop_back();
  if (Dir.empty()) return false;
  if (DirectoryExists(Dir)) return true;
  size_t Cut = Dir.find_last_of('\\');
  if (Cut != std::string::npos && Cut > 0 && !ForceDirectories(Dir.substr(0, Cut))) return false;
  if (mkdir(HostName(Dir).c_str(), 0777) != 0 && errno != EEXIST) return false;
  return DirectoryExists(Dir);
}

bool EraseFile(const std::string& SysName) { return unlink(HostName(SysName).c_str()) == 0; }

bool RenameOver(const std::string& Source, const std::string& Dest) {
  const std::string From = HostName(Source), To = HostName(Dest);
  struct stat St;
  if (stat(To.c_str(), &St) == 0 && chmod(From.c_str(), St.st_mode & 07777) != 0) return false;
  return rename(From.c_str(), To.c_str()) == 0;
}

std::string CreateUniqueFile(const std::string& Folder, const std::string& Prefix) {
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string Dir = Folder.empty() ? std::string(".") : HostName(Folder);
  if (Dir.back() != '/') Dir += '/';
  std::random_device Seed;
  std::mt19937 Random(Seed());
  for (int Try = 0; Try < 100; ++Try) {
    std::string Name = Dir + HostName(Prefix);
    for (int K = 0; K < 8; ++K) Name += kDigits[Random() % 36];
    Name += ".tmp";
    // 0666 less the umask, as any new file: the file becomes the archive.
    int Fd = open(Name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (Fd >= 0) {
      close(Fd);
      return SystemName(Name);
    }
    if (errno != EEXIST) break;
  }
  return std::string();
}

bool ReadFolder(const std::string& Folder, std::vector<std::pair<std::string, bool>>& Items) {
  std::string Dir = HostName(Folder);
  DIR* D = opendir(Dir.empty() ? "." : Dir.c_str());
  if (!D) return false;
  while (dirent* E = readdir(D)) {
    std::string Name = E->d_name;
    if (Name == "." || Name == "..") continue;
    struct stat St;
    bool IsDir = stat((Dir + "/" + Name).c_str(), &St) == 0 && S_ISDIR(St.st_mode);
    Items.emplace_back(Utf8ToAnsi(Name), IsDir);
  }
  closedir(D);
  return true;
}

}  // namespace zlbhost

namespace zlbbase {

TFileStream::TFileStream(const std::string& FileName, TFileMode Mode) : FFileName(FileName) {
  int Flags = Mode == fmOpenReadShared ? O_RDONLY : Mode == fmCreate ? O_RDWR | O_CREAT | O_TRUNC : O_RDWR;
  int Fd = FileName.empty() ? -1 : open(zlbhost::HostName(FileName).c_str(), Flags | O_CLOEXEC, 0666);
  struct stat St;
  if (Fd >= 0 && (fstat(Fd, &St) != 0 || S_ISDIR(St.st_mode))) {
    close(Fd);
    Fd = -1;
  }
  if (Fd < 0) throw EStreamError(Format("Cannot open file (%s)", FileName));
  FHandle = Fd;
}

TFileStream::~TFileStream() { close(static_cast<int>(FHandle)); }

int32_t TFileStream::Read(void* Buffer, int32_t Count) {
  int32_t Done = 0;
  while (Done < Count) {
    ssize_t N = read(static_cast<int>(FHandle), static_cast<char*>(Buffer) + Done, Count - Done);
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) break;
    Done += static_cast<int32_t>(N);
  }
  return Done;
}

int32_t TFileStream::Write(const void* Buffer, int32_t Count) {
  int32_t Done = 0;
  while (Done < Count) {
    ssize_t N = write(static_cast<int>(FHandle), static_cast<const char*>(Buffer) + Done, Count - Done);
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) break;
    Done += static_cast<int32_t>(N);
  }
  return Done;
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int Whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
  off_t Pos = lseek(static_cast<int>(FHandle), static_cast<off_t>(Offset), Whence);
  if (Pos < 0) throw EStreamError("Invalid stream operation");
  return Pos;
}

void TFileStream::SetSize(int64_t NewSize) {
  if (NewSize < 0 || ftruncate(static_cast<int>(FHandle), static_cast<off_t>(NewSize)) != 0)
    throw EStreamError("Stream write error");
  if (Position() > NewSize) Seek(NewSize, soBeginning);
}

}  // namespace zlbbase
