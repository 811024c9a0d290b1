#include "ZLBBase.h"

#include "toolkit/base/HostFiles.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace zlbbase {

namespace {
const char kInvalidOp[] = "Invalid stream operation";
const char kReadError[] = "Stream read error";
const char kWriteError[] = "Stream write error";

std::string Replace(const char* Text, const char* Marker, const std::string& Arg) {
  std::string S(Text);
  size_t At = S.find(Marker);
  if (At != std::string::npos) S.replace(At, 2, Arg);
  return S;
}
}  // namespace

std::string Format(const char* Text, const std::string& Arg) { return Replace(Text, "%s", Arg); }
std::string Format(const char* Text, long long Arg) {
  return Replace(Text, "%d", std::to_string(Arg));
}

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner) {
  if (FOwner) FOwner->FComponents.push_back(this);
}

TComponent::~TComponent() {
  FDestroying = true;
  while (!FComponents.empty()) {
    TComponent* C = FComponents.back();
    FComponents.pop_back();
    C->FOwner = nullptr;
    delete C;
  }
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::RemoveComponent(TComponent* C) {
  FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), C), FComponents.end());
}

int64_t TStream::Size() {
  int64_t Pos = Position();
  int64_t End = Seek(0, soEnd);
  Seek(Pos, soBeginning);
  return End;
}

void TStream::SetSize(int64_t) { throw EStreamError(kInvalidOp); }

namespace {
// The largest count one Read or Write call takes.
const size_t kMaxPiece = size_t(1) << 30;
}  // namespace

void TStream::ReadBuffer(void* Buffer, size_t Count) {
  for (uint8_t* P = static_cast<uint8_t*>(Buffer); Count > 0;) {
    const int32_t N = static_cast<int32_t>(std::min(Count, kMaxPiece));
    if (Read(P, N) != N) throw EStreamError(kReadError);
    P += N;
    Count -= static_cast<size_t>(N);
  }
}

void TStream::WriteBuffer(const void* Buffer, size_t Count) {
  for (const uint8_t* P = static_cast<const uint8_t*>(Buffer); Count > 0;) {
    const int32_t N = static_cast<int32_t>(std::min(Count, kMaxPiece));
    if (Write(P, N) != N) throw EStreamError(kWriteError);
    P += N;
    Count -= static_cast<size_t>(N);
  }
}

void TStream::CopyFrom(TStream& Source, int64_t Count) {
  const int32_t Piece = 65536;
  std::vector<uint8_t> Buf(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(Count, 1), Piece)));
  while (Count > 0) {
    int32_t N = static_cast<int32_t>(std::min<int64_t>(Count, Piece));
    Source.ReadBuffer(Buf.data(), N);
    WriteBuffer(Buf.data(), N);
    Count -= N;
  }
}

int32_t TMemoryStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0 || FPos >= FData.size()) return 0;
  size_t N = std::min(static_cast<size_t>(Count), FData.size() - FPos);
  std::memcpy(Buffer, FData.data() + FPos, N);
  FPos += N;
  return static_cast<int32_t>(N);
}

int32_t TMemoryStream::Write(const void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  size_t End = FPos + static_cast<size_t>(Count);
  if (End > FData.size()) FData.resize(End);
  std::memcpy(FData.data() + FPos, Buffer, static_cast<size_t>(Count));
  FPos = End;
  return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t Base = Origin == soBeginning ? 0 : Origin == soCurrent ? static_cast<int64_t>(FPos)
                                                                 : static_cast<int64_t>(FData.size());
  int64_t Pos = Base + Offset;
  if (Pos < 0) throw EStreamError(kInvalidOp);
  FPos = static_cast<size_t>(Pos);
  return Pos;
}

void TMemoryStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) throw EStreamError(kInvalidOp);
  FData.resize(static_cast<size_t>(NewSize));
  if (FPos > FData.size()) FPos = FData.size();
}

}  // namespace zlbbase

// ---- file streams ---------------------------------------------------------

#ifdef _WIN32
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
#else
namespace zlbbase {

TFileStream::TFileStream(const std::string& FileName, TFileMode Mode) : FFileName(FileName) {
  int Flags = Mode == fmOpenReadShared ? O_RDONLY : Mode == fmCreate ? O_RDWR | O_CREAT | O_TRUNC : O_RDWR;
  int Fd = FileName.empty() ? -1 : open(hostfiles::HostName(FileName).c_str(), Flags | O_CLOEXEC, 0666);
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
#endif
