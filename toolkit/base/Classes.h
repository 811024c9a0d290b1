// Portable non-visual core of the desktop toolkit: exceptions, the persistent
// and component pattern, streams, string lists and small value types.
//
// Nothing here includes <windows.h>. Errors are exceptions derived from
// `Exception`; each carries a fixed English text in `Message`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Exceptions

// Base of every exception raised by the toolkit and the libraries above it.
class Exception : public std::exception {
public:
  explicit Exception(std::string message) : Message(std::move(message)) {}
  const char* what() const noexcept override { return Message.c_str(); }
  std::string Message;
};

class EStreamError : public Exception { using Exception::Exception; };
class EReadError : public EStreamError { using EStreamError::EStreamError; };
class EWriteError : public EStreamError { using EStreamError::EStreamError; };
class EFOpenError : public EStreamError { using EStreamError::EStreamError; };
class EFCreateError : public EStreamError { using EStreamError::EStreamError; };
class EConvertError : public Exception { using Exception::Exception; };
class EInvalidGraphic : public Exception { using Exception::Exception; };
class EOutOfMemory : public Exception { using Exception::Exception; };

// Fixed toolkit texts.
extern const char* const SReadError;          // "Stream read error"
extern const char* const SWriteError;         // "Stream write error"
extern const char* const SInvalidStreamOp;    // "Invalid stream operation"
extern const char* const SFOpenError;         // "Cannot open file \"%s\""
extern const char* const SFCreateError;       // "Cannot create file \"%s\""
extern const char* const SAssignError;        // "Cannot assign a %s to a %s"
extern const char* const SUnknownClipboardFormat;  // "Unsupported clipboard format"
extern const char* const SUnknownExtension;   // "Unknown picture file extension (.%s)"
extern const char* const SListIndexError;     // "List index out of bounds (%d)"
extern const char* const SInvalidImage;       // "Invalid stream format"

// Replaces the first "%s" (or "%d") in `format` with `arg`.
std::string FormatMessage1(const char* format, const std::string& arg);

// ---------------------------------------------------------------------------
// Small value types

struct TPoint {
  int X = 0, Y = 0;
};

struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool operator==(const TRect& o) const {
    return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
  }
  bool operator!=(const TRect& o) const { return !(*this == o); }
};
inline TRect Rect(int l, int t, int r, int b) { return TRect{l, t, r, b}; }

// A set of up to 32 enumerators stored as bits, like a Pascal set.
template <class E>
class TSet {
public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> items) {
    for (E e : items) bits_ |= Bit(e);
  }
  static constexpr TSet FromBits(std::uint32_t bits) { TSet s; s.bits_ = bits; return s; }
  constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
  TSet& Include(E e) { bits_ |= Bit(e); return *this; }
  TSet& Exclude(E e) { bits_ &= ~Bit(e); return *this; }
  constexpr TSet operator+(TSet o) const { return FromBits(bits_ | o.bits_); }
  constexpr TSet operator-(TSet o) const { return FromBits(bits_ & ~o.bits_); }
  constexpr TSet operator*(TSet o) const { return FromBits(bits_ & o.bits_); }
  constexpr bool operator==(TSet o) const { return bits_ == o.bits_; }
  constexpr bool operator!=(TSet o) const { return bits_ != o.bits_; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr std::uint32_t Bits() const { return bits_; }

private:
  static constexpr std::uint32_t Bit(E e) { return 1u << static_cast<unsigned>(e); }
  std::uint32_t bits_ = 0;
};

// ---------------------------------------------------------------------------
// Objects, persistence and components

class TObject {
public:
  virtual ~TObject() = default;
  // The class name as the system names it ("TGIFImage").
  virtual const char* ClassName() const { return "TObject"; }
};

using TNotifyEvent = std::function<void(TObject* sender)>;

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// An object that can copy itself from another one. Assign asks the source's
// AssignTo when it does not know the source; the last resort raises
// EConvertError "Cannot assign a <source> to a <dest>".
class TPersistent : public TObject {
public:
  const char* ClassName() const override { return "TPersistent"; }
  virtual void Assign(const TPersistent* source);

protected:
  virtual void AssignTo(TPersistent* dest) const;
  [[noreturn]] void AssignError(const TPersistent* source) const;
};

enum TComponentStateFlag { csLoading, csReading, csWriting, csDestroying, csDesigning };
using TComponentState = TSet<TComponentStateFlag>;

enum TOperation { opInsert, opRemove };

// A named object owned by another component. The owner frees what it owns;
// every owned component hears of the removal of a sibling through
// Notification, so it can drop references to it. The removal notice goes
// out while the component is still whole: an owner sends it before it
// deletes what it owns, and `delete` on a component sends it from the
// destructor (at the latest from TComponent's own, so classes whose
// handlers look at derived parts call BeforeDestruction in their own
// destructor).
class TComponent : public TPersistent {
public:
  explicit TComponent(TComponent* owner = nullptr);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const char* ClassName() const override { return "TComponent"; }
  TComponent* Owner() const { return FOwner; }
  const std::string& Name() const { return FName; }
  void SetName(const std::string& name) { FName = name; }
  TComponentState ComponentState() const { return FComponentState; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int i) const { return FComponents.at(static_cast<std::size_t>(i)); }
  TComponent* FindComponent(const std::string& name) const;

  // Called once after every property of a stored description was read.
  virtual void Loaded() { FComponentState.Exclude(csLoading); }
  void BeginLoading() { FComponentState.Include(csLoading); }

  // Sets csDestroying and sends the removal notice to the owner and, through
  // it, to the siblings; leaves the component without owner. Safe to call
  // more than once; the first call does the work.
  void BeforeDestruction();
  // Frees the owned components, last first, each after its removal notice.
  void DestroyComponents();

protected:
  virtual void Notification(TComponent* component, TOperation operation);

private:
  void InsertComponent(TComponent* c);
  void RemoveComponent(TComponent* c);
  TComponent* FOwner = nullptr;
  std::string FName;
  TComponentState FComponentState;
  std::vector<TComponent*> FComponents;
};

// ---------------------------------------------------------------------------
// Streams

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// A byte stream with a position. Read and Write move as many bytes as they
// can and say how many; ReadBuffer and WriteBuffer raise EReadError
// "Stream read error" / EWriteError "Stream write error" when they come up
// short. Positions and sizes are 64-bit, counts size_t.
class TStream : public TObject {
public:
  const char* ClassName() const override { return "TStream"; }
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

  std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(std::int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }
  virtual std::int64_t Size();
  // Cuts or extends the stream to `size` bytes; a position past the new end
  // moves to it. Raises EStreamError "Invalid stream operation" here, for
  // streams that cannot change their size.
  virtual void SetSize(std::int64_t size);

  void ReadBuffer(void* buffer, std::size_t count);
  void WriteBuffer(const void* buffer, std::size_t count);
  // Copies `count` bytes from `source` (all of it from its start when 0).
  std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

// A stream over a growable block of memory. Seeking before the start stops
// at 0; a position past the end reads nothing, and writing there fills the
// gap with zeros.
class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  TMemoryStream(const void* data, std::size_t size) { WriteBuffer(data, size); FPosition = 0; }
  const char* ClassName() const override { return "TMemoryStream"; }
  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FData.size()); }
  // New bytes are zero. A negative size raises "Invalid stream operation".
  void SetSize(std::int64_t size) override;

  void Clear() { FData.clear(); FPosition = 0; }
  const std::uint8_t* Memory() const { return FData.data(); }
  std::uint8_t* Memory() { return FData.data(); }
  const std::vector<std::uint8_t>& Bytes() const { return FData; }
  const std::vector<std::uint8_t>& Data() const { return FData; }  // the same bytes
  void LoadFromStream(TStream& s);
  void LoadFromFile(const std::string& name);
  void SaveToFile(const std::string& name) const;

private:
  std::vector<std::uint8_t> FData;
  std::size_t FPosition = 0;
};

// A read-only stream over memory the caller keeps alive (no copy).
class TReadOnlyMemoryStream : public TStream {
public:
  TReadOnlyMemoryStream(const void* data, std::size_t size)
      : FData(static_cast<const std::uint8_t*>(data)), FSize(size) {}
  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void*, std::size_t) override { return 0; }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FSize); }

private:
  const std::uint8_t* FData;
  std::size_t FSize;
  std::size_t FPosition = 0;
};

// How a TFileStream opens its file. Sharing holds on Windows; POSIX hosts
// do not lock files.
enum TFileMode {
  fmOpenRead,                // read; others may read and write
  fmOpenReadShareDenyWrite,  // read; others may read, not write
  fmCreate,                  // created or emptied; read and write; no one else may open it
  fmOpenReadWrite            // an existing file; read and write; no one else may open it
};

// An unbuffered stream over a file. The name is a system name (code page
// 1252, backslashes), which reaches the host through toolkit/base/HostFiles.h
// (so "caf\xE9.gif" is the host's "café.gif"). The constructor raises
// EFCreateError "Cannot create file "<name>"" (fmCreate) or EFOpenError
// "Cannot open file "<name>"" (the other modes), also for a folder. Seeking
// before the start raises EStreamError "Invalid stream operation"; SetSize
// raises EWriteError "Stream write error" when the host cannot change the
// size (a file opened for reading).
class TFileStream : public TStream {
public:
  TFileStream(const std::string& fileName, TFileMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  const char* ClassName() const override { return "TFileStream"; }
  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t size) override;
  const std::string& FileName() const { return FFileName; }

private:
  std::string FFileName;
  std::intptr_t FHandle;
};

// ---------------------------------------------------------------------------
// String lists

class TStrings : public TPersistent {
public:
  const char* ClassName() const override { return "TStrings"; }
  int Count() const { return static_cast<int>(FItems.size()); }
  const std::string& operator[](int i) const;
  const std::string& Strings(int i) const { return (*this)[i]; }
  void Put(int i, const std::string& s);
  int Add(const std::string& s);
  void Insert(int i, const std::string& s);
  void Delete(int i);
  void Clear();
  int IndexOf(const std::string& s) const;
  // Lines joined with CR LF after each line, as a text file holds them.
  std::string Text() const;
  // Splits at CR LF, LF or CR.
  void SetText(const std::string& text);
  void Assign(const TPersistent* source) override;
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }
  TNotifyEvent OnChange;

protected:
  void Changed() { if (OnChange) OnChange(this); }

private:
  std::vector<std::string> FItems;
};

class TStringList : public TStrings {
public:
  const char* ClassName() const override { return "TStringList"; }
};
