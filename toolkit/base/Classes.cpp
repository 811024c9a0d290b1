#include "toolkit/base/Classes.h"

#include "toolkit/base/HostFiles.h"

#include <algorithm>
#include <cstring>

const char* const SReadError = "Stream read error";
const char* const SWriteError = "Stream write error";
const char* const SInvalidStreamOp = "Invalid stream operation";
const char* const SFOpenError = "Cannot open file \"%s\"";
const char* const SFCreateError = "Cannot create file \"%s\"";
const char* const SAssignError = "Cannot assign a %s to a %s";
const char* const SUnknownClipboardFormat = "Unsupported clipboard format";
const char* const SUnknownExtension = "Unknown picture file extension (.%s)";
const char* const SListIndexError = "List index out of bounds (%d)";
const char* const SInvalidImage = "Invalid stream format";

std::string FormatMessage1(const char* format, const std::string& arg) {
  std::string s(format);
  std::size_t at = s.find("%s");
  if (at == std::string::npos) at = s.find("%d");
  if (at != std::string::npos) s.replace(at, 2, arg);
  return s;
}

// --- TPersistent -----------------------------------------------------------

void TPersistent::Assign(const TPersistent* source) {
  if (source) {
    source->AssignTo(this);
    return;
  }
  AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest) const { dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* source) const {
  std::string msg = FormatMessage1(SAssignError, source ? source->ClassName() : "nil");
  throw EConvertError(FormatMessage1(msg.c_str(), ClassName()));
}

// --- TComponent ------------------------------------------------------------

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  BeforeDestruction();
  DestroyComponents();
}

void TComponent::BeforeDestruction() {
  FComponentState.Include(csDestroying);
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back();
    c->BeforeDestruction();  // takes c out of this list
    delete c;
  }
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  for (TComponent* c : FComponents)
    if (c->FName == name) return c;
  return nullptr;
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove) {
    for (TComponent* c : FComponents)
      if (c != component) c->Notification(component, operation);
  }
}

void TComponent::InsertComponent(TComponent* c) {
  c->FOwner = this;
  FComponents.push_back(c);
}

void TComponent::RemoveComponent(TComponent* c) {
  auto it = std::find(FComponents.begin(), FComponents.end(), c);
  if (it != FComponents.end()) FComponents.erase(it);
  c->FOwner = nullptr;
  Notification(c, opRemove);
}

// --- TStream ---------------------------------------------------------------

std::int64_t TStream::Size() {
  std::int64_t pos = Seek(0, TSeekOrigin::soCurrent);
  std::int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(pos, TSeekOrigin::soBeginning);
  return size;
}

void TStream::SetSize(std::int64_t) { throw EStreamError(SInvalidStreamOp); }

void TStream::ReadBuffer(void* buffer, std::size_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError(SReadError);
}

void TStream::WriteBuffer(const void* buffer, std::size_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError(SWriteError);
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::uint8_t buf[65536];
  std::int64_t left = count;
  while (left > 0) {
    std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(left, sizeof buf));
    source.ReadBuffer(buf, n);
    WriteBuffer(buf, n);
    left -= static_cast<std::int64_t>(n);
  }
  return count;
}

// --- TMemoryStream ---------------------------------------------------------

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
  if (FPosition >= FData.size()) return 0;
  std::size_t n = std::min(count, FData.size() - FPosition);
  std::memcpy(buffer, FData.data() + FPosition, n);
  FPosition += n;
  return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
  if (count == 0) return 0;
  if (FPosition + count > FData.size()) FData.resize(FPosition + count);
  std::memcpy(FData.data() + FPosition, buffer, count);
  FPosition += count;
  return count;
}

static std::int64_t SeekIn(std::size_t pos, std::size_t size, std::int64_t offset,
                           TSeekOrigin origin) {
  std::int64_t base = origin == TSeekOrigin::soBeginning ? 0
                      : origin == TSeekOrigin::soCurrent ? static_cast<std::int64_t>(pos)
                                                         : static_cast<std::int64_t>(size);
  std::int64_t p = base + offset;
  return p < 0 ? 0 : p;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  FPosition = static_cast<std::size_t>(SeekIn(FPosition, FData.size(), offset, origin));
  return static_cast<std::int64_t>(FPosition);
}

void TMemoryStream::SetSize(std::int64_t size) {
  if (size < 0) throw EStreamError(SInvalidStreamOp);
  FData.resize(static_cast<std::size_t>(size));
  FPosition = std::min(FPosition, FData.size());
}

void TMemoryStream::LoadFromStream(TStream& s) {
  s.SetPosition(0);
  std::int64_t size = s.Size();
  FData.resize(static_cast<std::size_t>(size));
  s.ReadBuffer(FData.data(), FData.size());
  FPosition = 0;
}

void TMemoryStream::LoadFromFile(const std::string& name) {
  TFileStream f(name, fmOpenReadShareDenyWrite);
  LoadFromStream(f);
}

void TMemoryStream::SaveToFile(const std::string& name) const {
  TFileStream f(name, fmCreate);
  f.WriteBuffer(FData.data(), FData.size());
}

std::size_t TReadOnlyMemoryStream::Read(void* buffer, std::size_t count) {
  if (FPosition >= FSize) return 0;
  std::size_t n = std::min(count, FSize - FPosition);
  std::memcpy(buffer, FData + FPosition, n);
  FPosition += n;
  return n;
}

std::int64_t TReadOnlyMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  FPosition = static_cast<std::size_t>(SeekIn(FPosition, FSize, offset, origin));
  return static_cast<std::int64_t>(FPosition);
}

// --- TFileStream -----------------------------------------------------------

namespace {
hostfiles::TOpenMode HostMode(TFileMode mode) {
  switch (mode) {
    case fmOpenRead: return hostfiles::omRead;
    case fmOpenReadShareDenyWrite: return hostfiles::omReadDenyWrite;
    case fmCreate: return hostfiles::omCreate;
    default: return hostfiles::omReadWrite;
  }
}
}  // namespace

TFileStream::TFileStream(const std::string& fileName, TFileMode mode)
    : FFileName(fileName), FHandle(hostfiles::FileOpen(fileName, HostMode(mode))) {
  if (FHandle != hostfiles::kNoFile) return;
  if (mode == fmCreate) throw EFCreateError(FormatMessage1(SFCreateError, fileName));
  throw EFOpenError(FormatMessage1(SFOpenError, fileName));
}

TFileStream::~TFileStream() { hostfiles::FileClose(FHandle); }

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
  return hostfiles::FileRead(FHandle, buffer, count);
}

std::size_t TFileStream::Write(const void* buffer, std::size_t count) {
  return hostfiles::FileWrite(FHandle, buffer, count);
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const hostfiles::TSeekFrom from = origin == TSeekOrigin::soBeginning ? hostfiles::sfBeginning
                                    : origin == TSeekOrigin::soCurrent ? hostfiles::sfCurrent
                                                                       : hostfiles::sfEnd;
  const std::int64_t pos = hostfiles::FileSeek(FHandle, offset, from);
  if (pos < 0) throw EStreamError(SInvalidStreamOp);
  return pos;
}

void TFileStream::SetSize(std::int64_t size) {
  if (size < 0) throw EStreamError(SInvalidStreamOp);
  const std::int64_t pos = Position();
  if (!hostfiles::FileTruncate(FHandle, size)) throw EWriteError(SWriteError);
  SetPosition(std::min(pos, size));
}

// --- TStrings --------------------------------------------------------------

const std::string& TStrings::operator[](int i) const {
  if (i < 0 || i >= Count()) throw Exception(FormatMessage1(SListIndexError, std::to_string(i)));
  return FItems[static_cast<std::size_t>(i)];
}

void TStrings::Put(int i, const std::string& s) {
  (void)(*this)[i];
  FItems[static_cast<std::size_t>(i)] = s;
  Changed();
}

int TStrings::Add(const std::string& s) {
  FItems.push_back(s);
  Changed();
  return Count() - 1;
}

void TStrings::Insert(int i, const std::string& s) {
  if (i < 0 || i > Count()) throw Exception(FormatMessage1(SListIndexError, std::to_string(i)));
  FItems.insert(FItems.begin() + i, s);
  Changed();
}

void TStrings::Delete(int i) {
  (void)(*this)[i];
  FItems.erase(FItems.begin() + i);
  Changed();
}

void TStrings::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  Changed();
}

int TStrings::IndexOf(const std::string& s) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i] == s) return static_cast<int>(i);
  return -1;
}

std::string TStrings::Text() const {
  std::string t;
  for (const std::string& s : FItems) {
    t += s;
    t += "\r\n";
  }
  return t;
}

void TStrings::SetText(const std::string& text) {
  FItems.clear();
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t j = text.find_first_of("\r\n", i);
    if (j == std::string::npos) {
      FItems.push_back(text.substr(i));
      break;
    }
    FItems.push_back(text.substr(i, j - i));
    i = j + ((text[j] == '\r' && j + 1 < text.size() && text[j + 1] == '\n') ? 2 : 1);
  }
  Changed();
}

void TStrings::Assign(const TPersistent* source) {
  if (auto s = dynamic_cast<const TStrings*>(source)) {
    if (s == this) return;
    FItems = s->FItems;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}
