// ZLBBase.h - the small framework the archive component stands on: the
// general exception class, the object and component base, and byte streams
// over files and memory.
//
// Everything here lives in namespace zlbbase so that it can later be replaced
// by the toolkit's own classes with a few aliases. File names are system
// names: Windows ANSI (code page 1252) with backslashes; see toolkit/base/HostFiles.h for
// how they reach the host's file system.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace zlbbase {

// The general exception class: carries one fixed English text.
class EArchiveError : public std::runtime_error {
public:
  explicit EArchiveError(const std::string& Msg) : std::runtime_error(Msg) {}
};

// Raised by streams: "Invalid stream operation", "Stream read error",
// "Stream write error", "Cannot open file (%s)".
class EStreamError : public EArchiveError {
public:
  using EArchiveError::EArchiveError;
};

// Formats a fixed text holding one "%s" or one "%d".
std::string Format(const char* Text, const std::string& Arg);
std::string Format(const char* Text, long long Arg);

class TObject {
public:
  virtual ~TObject() = default;
};

// Component base: an owner frees the components it owns when it is freed.
// csDestroying is set for the whole of the destructor chain.
class TComponent : public TObject {
public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value) { FName = Value; }
  bool Destroying() const { return FDestroying; }

protected:
  // Called first by the most derived destructor so that handlers see the flag.
  void BeginDestroy() { FDestroying = true; }

private:
  void RemoveComponent(TComponent* C);
  TComponent* FOwner;
  std::string FName;
  bool FDestroying = false;
  std::vector<TComponent*> FComponents;
};

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
public:
  // Read and Write move at most Count bytes and return how many moved.
  virtual int32_t Read(void* Buffer, int32_t Count) = 0;
  virtual int32_t Write(const void* Buffer, int32_t Count) = 0;
  // Returns the new position.
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
  virtual int64_t Size();
  // Cuts or extends the stream; raises "Invalid stream operation" where unsupported.
  virtual void SetSize(int64_t NewSize);

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t Pos) { Seek(Pos, soBeginning); }
  // All or nothing: "Stream read error" / "Stream write error". Counts of
  // 2 GiB and more move in pieces that Read and Write can take.
  void ReadBuffer(void* Buffer, size_t Count);
  void WriteBuffer(const void* Buffer, size_t Count);
  // Copies Count bytes from Source's position; raises on a short read.
  void CopyFrom(TStream& Source, int64_t Count);
};

class TMemoryStream : public TStream {
public:
  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return static_cast<int64_t>(FData.size()); }
  void SetSize(int64_t NewSize) override;
  const uint8_t* Memory() const { return FData.data(); }
  std::vector<uint8_t>& Data() { return FData; }

private:
  std::vector<uint8_t> FData;
  size_t FPos = 0;
};

enum TFileMode {
  fmOpenReadShared,  // read; other writers are denied
  fmCreate,          // create or empty; read and write; exclusive
  fmOpenReadWrite    // existing file; read and write; exclusive
};

// Unbuffered file stream. The constructor raises EStreamError
// "Cannot open file (%s)" with the file name.
class TFileStream : public TStream {
public:
  TFileStream(const std::string& FileName, TFileMode Mode);
  ~TFileStream() override;
  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;
  const std::string& FileName() const { return FFileName; }

private:
  std::string FFileName;
  intptr_t FHandle;
};

}  // namespace zlbbase
