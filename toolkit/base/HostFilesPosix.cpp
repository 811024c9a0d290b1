// Host file operations for POSIX systems: system names are mapped to UTF-8 with '/'.
#include "toolkit/base/HostFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <utility>
#include <vector>

namespace hostfiles {

namespace {
// renameat2's flag: fail when the new name exists.
const unsigned kRenameNoReplace = 1;
}  // namespace

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

bool MoveNoReplace(const std::string& Source, const std::string& Dest) {
  const std::string From = HostName(Source), To = HostName(Dest);
  if (syscall(SYS_renameat2, AT_FDCWD, From.c_str(), AT_FDCWD, To.c_str(), kRenameNoReplace) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // The file system cannot rename without replacing: a hard link fails when
  // the new name is taken, and the old name goes only once the link stands.
  if (link(From.c_str(), To.c_str()) != 0) return false;
  if (unlink(From.c_str()) != 0) {
    unlink(To.c_str());
    return false;
  }
  return true;
}

// ---- open files -------------------------------------------------------------

namespace {
// The most one read() or write() call is asked to move.
const size_t kMaxPiece = size_t(1) << 30;
}  // namespace

TFileHandle FileOpen(const std::string& SysName, TOpenMode Mode) {
  if (SysName.empty()) return kNoFile;
  const int Flags = Mode == omCreate ? O_RDWR | O_CREAT | O_TRUNC : Mode == omReadWrite ? O_RDWR : O_RDONLY;
  const int Fd = open(HostName(SysName).c_str(), Flags | O_CLOEXEC, 0666);
  if (Fd < 0) return kNoFile;
  struct stat St;
  if (fstat(Fd, &St) != 0 || S_ISDIR(St.st_mode)) {
    close(Fd);
    return kNoFile;
  }
  return Fd;
}

void FileClose(TFileHandle Handle) {
  if (Handle != kNoFile) close(static_cast<int>(Handle));
}

size_t FileRead(TFileHandle Handle, void* Buffer, size_t Count) {
  size_t Done = 0;
  while (Done < Count) {
    ssize_t N = read(static_cast<int>(Handle), static_cast<char*>(Buffer) + Done, std::min(Count - Done, kMaxPiece));
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) break;
    Done += static_cast<size_t>(N);
  }
  return Done;
}

size_t FileWrite(TFileHandle Handle, const void* Buffer, size_t Count) {
  size_t Done = 0;
  while (Done < Count) {
    ssize_t N =
        write(static_cast<int>(Handle), static_cast<const char*>(Buffer) + Done, std::min(Count - Done, kMaxPiece));
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) break;
    Done += static_cast<size_t>(N);
  }
  return Done;
}

int64_t FileSeek(TFileHandle Handle, int64_t Offset, TSeekFrom From) {
  const int Whence = From == sfBeginning ? SEEK_SET : From == sfCurrent ? SEEK_CUR : SEEK_END;
  const off_t Pos = lseek(static_cast<int>(Handle), static_cast<off_t>(Offset), Whence);
  return Pos < 0 ? -1 : static_cast<int64_t>(Pos);
}

bool FileTruncate(TFileHandle Handle, int64_t Size) {
  return Size >= 0 && ftruncate(static_cast<int>(Handle), static_cast<off_t>(Size)) == 0;
}

}  // namespace hostfiles
