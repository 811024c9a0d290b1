#include "ZLBBase.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

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
