#include "ZLIBArchive.h"

#include "toolkit/base/HostFiles.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_set>

namespace {

const char kNotFound[] = "Archive file not found";
const char kUnableToOpen[] = "Unable to open file (%s)";
const char kCorrupted[] = "The archive file appears to be corrupted";
const char kUnableToReadList[] = "Unable to read archive file list";
const char kIndexOutOfBounds[] = "Index out of bounds";
const char kNotOpen[] = "No archive is currently open";
const char kNoDestPath[] = "Unable to create destination path";
const char kNoDirectory[] = "Unable to create directory";
const char kFileCorrupt[] = "File (%d) is corrupt";
const char kFailedCRC[] = "File (%d) failed CRC check";
const char kAlreadyExists[] = "File already exists";
const char kUnsafeName[] = "Unsafe file name in archive (%d)";
const char kUnableToUpdate[] = "Unable to update archive (%s)";

const int32_t kCRCPiece = 10240;
const int32_t kStepSize = 4096;
const int32_t kCopyPiece = 65536;
// Extraction moves a member in chunks of this many bytes (a multiple of
// kStepSize), and inflates from input read in pieces of kInflateInput.
const int64_t kExtractChunk = 1 << 20;
const int32_t kInflateInput = 1 << 20;
// Deflate cannot shrink data by more than about 1032:1; a registry larger
// than that many times its stored bytes cannot be real.
const int64_t kMaxInflateRatio = 1032;
const int64_t kMaxOffset = 0xFFFFFFFFLL;

// ---- byte layout ----------------------------------------------------------

void PutU32(uint8_t* P, uint32_t V) {
  for (int K = 0; K < 4; ++K) P[K] = static_cast<uint8_t>(V >> (8 * K));
}
uint32_t GetU32(const uint8_t* P) {
  return P[0] | (uint32_t(P[1]) << 8) | (uint32_t(P[2]) << 16) | (uint32_t(P[3]) << 24);
}

// TZLBEntry, 532 bytes:
//   0 Name[256]  256 Path[256]  512 Size  516 StoredSize  520 DataOffset
//   524 CRC  528 Stored  529 Level  530 reserved[2]
void EncodeEntry(const TZLBEntry& E, uint8_t* P) {
  std::memcpy(P, E.Name, 256);
  std::memcpy(P + 256, E.Path, 256);
  PutU32(P + 512, E.Size);
  PutU32(P + 516, E.StoredSize);
  PutU32(P + 520, E.DataOffset);
  PutU32(P + 524, E.CRC);
  P[528] = E.Stored;
  P[529] = E.Level;
  P[530] = E.Reserved[0];
  P[531] = E.Reserved[1];
}

void DecodeEntry(const uint8_t* P, TZLBEntry& E) {
  std::memcpy(E.Name, P, 256);
  std::memcpy(E.Path, P + 256, 256);
  E.Size = GetU32(P + 512);
  E.StoredSize = GetU32(P + 516);
  E.DataOffset = GetU32(P + 520);
  E.CRC = GetU32(P + 524);
  E.Stored = P[528];
  E.Level = P[529];
  E.Reserved[0] = P[530];
  E.Reserved[1] = P[531];
}

// TZLBTrailer, 36 bytes:
//   0 CRC  4 Count  8 constant 1  12 RegistrySize  16 RegistryOffset
//   20 RegistryCompressed  21 reserved[15]
void EncodeTrailer(const TZLBTrailer& T, uint8_t* P) {
  std::memset(P, 0, ZLBTrailerSize);
  PutU32(P, T.CRC);
  PutU32(P + 4, static_cast<uint32_t>(T.Count));
  PutU32(P + 8, T.Constant);
  PutU32(P + 12, static_cast<uint32_t>(T.RegistrySize));
  PutU32(P + 16, T.RegistryOffset);
  P[20] = T.RegistryCompressed;
  std::memcpy(P + 21, T.Reserved, 15);
}

void DecodeTrailer(const uint8_t* P, TZLBTrailer& T) {
  T.CRC = GetU32(P);
  T.Count = static_cast<int32_t>(GetU32(P + 4));
  T.Constant = GetU32(P + 8);
  T.RegistrySize = static_cast<int32_t>(GetU32(P + 12));
  T.RegistryOffset = GetU32(P + 16);
  T.RegistryCompressed = P[20];
  std::memcpy(T.Reserved, P + 21, 15);
}

// ---- names ----------------------------------------------------------------

std::string ShortString(const uint8_t* S) { return std::string(reinterpret_cast<const char*>(S + 1), S[0]); }

void SetShortString(uint8_t* S, const std::string& Text) {
  std::memset(S, 0, 256);
  size_t N = std::min<size_t>(Text.size(), 255);
  S[0] = static_cast<uint8_t>(N);
  std::memcpy(S + 1, Text.data(), N);
}

std::string Slashes(std::string S) {
  std::replace(S.begin(), S.end(), '/', '\\');
  return S;
}

// Folder part up to and including the last backslash or colon.
std::string FolderPart(const std::string& FileName) {
  size_t Cut = FileName.find_last_of("\\:");
  return Cut == std::string::npos ? std::string() : FileName.substr(0, Cut + 1);
}

std::string NamePart(const std::string& FileName) {
  size_t Cut = FileName.find_last_of("\\:");
  return Cut == std::string::npos ? FileName : FileName.substr(Cut + 1);
}

// Everything up to and including the first colon removed.
std::string WithoutDrive(const std::string& Folder) {
  size_t Colon = Folder.find(':');
  return Colon == std::string::npos ? Folder : Folder.substr(Colon + 1);
}

std::string LowerAZ(std::string S) {
  for (char& C : S)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
  return S;
}

std::string EntryKey(const TZLBEntry& E) { return LowerAZ(E.PathText() + E.NameText()); }

// Windows opens a device, not a file, for these names, with any extension
// and with spaces or dots after the name: "nul .txt" and "CON." are devices.
// COM and LPT also take the superscript digits of code page 1252.
bool DeviceName(const std::string& Name) {
  std::string Base = LowerAZ(Name.substr(0, Name.find('.')));
  while (!Base.empty() && (Base.back() == ' ' || Base.back() == '.')) Base.pop_back();
  static const char* const kDevices[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
  for (const char* D : kDevices)
    if (Base == D) return true;
  if (Base.size() != 4 || (Base.compare(0, 3, "com") != 0 && Base.compare(0, 3, "lpt") != 0)) return false;
  const unsigned char Digit = static_cast<unsigned char>(Base[3]);
  return (Digit >= '1' && Digit <= '9') || Digit == 0xB9 || Digit == 0xB2 || Digit == 0xB3;
}

// A name the file system would store under another name or not as a file:
// a control character (a NUL would cut it short), a trailing dot or space
// (dropped by Windows), or a device.
bool UnsafeComponent(const std::string& Part) {
  for (char C : Part)
    if (static_cast<unsigned char>(C) < 0x20) return true;
  return Part.back() == '.' || Part.back() == ' ' || DeviceName(Part);
}

bool UnsafeName(const std::string& Name) {
  return Name.empty() || Name.find_first_of("\\/:") != std::string::npos || UnsafeComponent(Name);
}

// Every folder of Path must be safe as a name; empty parts (doubled or
// leading backslashes) and "." stay where they are.
bool UnsafePath(const std::string& Path) {
  if (Path.find(':') != std::string::npos) return true;
  std::string Part;
  for (char C : Path + "\\") {
    if (C == '\\' || C == '/') {
      if (!Part.empty() && Part != "." && UnsafeComponent(Part)) return true;
      Part.clear();
    } else {
      Part += C;
    }
  }
  return false;
}

[[noreturn]] void Fail(const std::string& Msg) { throw EArchiveError(Msg); }

// A fixed text with its one "%s" or "%d" filled in.
std::string Format(const char* Text, const std::string& Arg) { return FormatMessage1(Text, Arg); }
std::string Format(const char* Text, int Arg) { return FormatMessage1(Text, std::to_string(Arg)); }

// Copies Count bytes from Source's position; nothing when Count is 0 (the
// toolkit's CopyFrom would copy all of Source then).
void CopyBytes(TStream& Dest, TStream& Source, int64_t Count) {
  if (Count > 0) Dest.CopyFrom(Source, Count);
}

// Inside a handler: true when the exception being handled is a stream, zlib
// or memory failure, false for anything else (a handler's exception).
bool LowLevelFailure() {
  try {
    throw;
  } catch (const EStreamError&) {
  } catch (const ECompressionError&) {
  } catch (const EDecompressionError&) {
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  } catch (...) {
    return false;
  }
  return true;
}

// Runs Step and turns a low-level failure into Msg; anything else passes through.
template <typename F>
auto Guard(const std::string& Msg, F Step) -> decltype(Step()) {
  try {
    return Step();
  } catch (...) {
    if (!LowLevelFailure()) throw;
  }
  Fail(Msg);
}

std::unique_ptr<TFileStream> OpenFile(const std::string& Name, TFileMode Mode) {
  return Guard(Format(kUnableToOpen, Name), [&] { return std::make_unique<TFileStream>(Name, Mode); });
}

}  // namespace

std::string TZLBEntry::NameText() const { return ShortString(Name); }
std::string TZLBEntry::PathText() const { return ShortString(Path); }

// ---- life -----------------------------------------------------------------

TZLBArchive::TZLBArchive(TComponent* AOwner) : TComponent(AOwner) {
  std::memset(&FTrailer, 0, sizeof FTrailer);
}

TZLBArchive::~TZLBArchive() {
  BeforeDestruction();
  CloseArchive();
}

void TZLBArchive::StartPhase(TZLBPhase Phase, int64_t Total, const std::string& Msg) {
  FPhase = Phase;
  FProgressTotal = Total;
  FProgressDone = 0;
  FProgressMsg = Msg;
}

void TZLBArchive::DoProgress(TObject* Sender) {
  if (ComponentState().Contains(csDestroying) || !OnProgress) return;
  auto Percent = [this](int64_t Done) {
    return FProgressTotal > 0 ? static_cast<int>(std::nearbyint(double(Done) / double(FProgressTotal) * 100.0)) : 0;
  };
  switch (FPhase) {
    case zpReadRegistry:
    case zpExtract:
      OnProgress(FProgressMsg, Percent(FProgressDone));
      break;
    case zpUpdate:
    case zpWriteRegistry: {
      auto* Writer = dynamic_cast<TCompressionStream*>(Sender);
      OnProgress(FProgressMsg, Percent(Writer ? Writer->TotalIn() : FProgressDone));
      break;
    }
    default:
      OnProgress(FArchiveName, 0);
      break;
  }
}

uint32_t TZLBArchive::CalcCRC(TStream& Strm, int64_t LeaveOut) {
  int64_t Saved = Strm.Position();
  Strm.SetPosition(0);
  int64_t Remaining = Strm.Size() - LeaveOut;
  uLong Crc = crc32(0L, Z_NULL, 0);
  std::vector<uint8_t> Buf(kCRCPiece);
  while (Remaining > 0) {
    const int64_t Want = std::min<int64_t>(Remaining, kCRCPiece);
    const size_t Got = Strm.Read(Buf.data(), static_cast<size_t>(Want));
    if (Got > 0) Crc = crc32(Crc, Buf.data(), static_cast<uInt>(Got));
    Remaining -= Want;
  }
  Strm.SetPosition(Saved);
  return static_cast<uint32_t>(Crc);
}

// ---- opening and closing --------------------------------------------------

void TZLBArchive::CloseArchive() {
  FEntries.clear();
  FEntries.shrink_to_fit();
  FNewArchive = false;
  FLoaded = false;
  std::memset(&FTrailer, 0, sizeof FTrailer);
  FArchiveName.clear();
  FPhase = zpIdle;
  DoProgress(this);
}

bool TZLBArchive::OpenArchive(const std::string& FileName) {
  CloseArchive();
  FArchiveName = FileName;
  if (FileName.empty()) return false;
  if (!hostfiles::FileExists(FileName)) Fail(kNotFound);
  std::unique_ptr<TFileStream> F = OpenFile(FileName, fmOpenReadShareDenyWrite);

  auto Corrupted = [&] {
    FArchiveName.clear();
    std::memset(&FTrailer, 0, sizeof FTrailer);
    Fail(kCorrupted);
  };
  int64_t FileSize = 0;
  uint32_t Crc = 0;
  uint8_t Raw[ZLBTrailerSize] = {0};
  try {
    FileSize = F->Size();
    if (FileSize > 0 && FileSize < ZLBTrailerSize) Corrupted();
    Crc = CalcCRC(*F, ZLBTrailerSize);
    if (FileSize > 0) {
      F->Seek(-ZLBTrailerSize, TSeekOrigin::soEnd);
      F->ReadBuffer(Raw, ZLBTrailerSize);
    }
  } catch (const EStreamError&) {
    Corrupted();
  }
  DecodeTrailer(Raw, FTrailer);
  if (Crc != FTrailer.CRC) Corrupted();

  try {
    ReadRegistry(*F, FileSize);
    if (OnArchiveOpened) OnArchiveOpened(this);
  } catch (...) {
    F.reset();
    CloseArchive();
    Fail(kUnableToReadList);
  }
  F.reset();
  FLoaded = true;
  FPhase = zpIdle;
  DoProgress(this);
  return true;
}

// Reads the registry into FEntries after checking that it fits the file.
void TZLBArchive::ReadRegistry(TStream& F, int64_t FileSize) {
  int64_t DataEnd = std::max<int64_t>(FileSize - ZLBTrailerSize, 0);
  int64_t Count = FTrailer.Count;
  int64_t Offset = FTrailer.RegistryOffset;
  int64_t Total = Count * ZLBEntrySize;
  if (Count < 0 || Offset > DataEnd) Fail(kUnableToReadList);
  int64_t Stored = DataEnd - Offset;
  if (FTrailer.RegistryCompressed ? Total > Stored * kMaxInflateRatio : Total > Stored) Fail(kUnableToReadList);

  TMemoryStream Buf;
  F.SetPosition(Offset);
  if (FTrailer.RegistryCompressed != 0) {
    TDecompressionStream Reader(F);
    Reader.OnTick = OnInflateTick;
    StartPhase(zpReadRegistry, Total, "Extracting archive registry");
    uint8_t Step[kStepSize];
    // A registry that ends early stops the loop; the size check below reports it.
    for (int64_t Remaining = Total; Remaining > 0; Remaining -= kStepSize) {
      const size_t Want = static_cast<size_t>(std::min<int64_t>(Remaining, kStepSize));
      const size_t Got = Reader.Read(Step, Want);
      FProgressDone += static_cast<int64_t>(Got);
      DoProgress(this);
      Buf.WriteBuffer(Step, Got);
      if (Got < Want) break;
    }
  } else {
    CopyBytes(Buf, F, Total);
  }
  if (Buf.Size() < Total) Fail(kUnableToReadList);
  FEntries.resize(static_cast<size_t>(Count));
  for (int64_t K = 0; K < Count; ++K) DecodeEntry(Buf.Memory() + K * ZLBEntrySize, FEntries[K]);
}

void TZLBArchive::CreateArchive(const std::string& FileName) {
  CloseArchive();
  FArchiveName = FileName;
  if (FileName.empty()) return;
  if (hostfiles::FileExists(FileName)) Fail(kAlreadyExists);
  if (OnArchiveOpened) OnArchiveOpened(this);
  FNewArchive = true;
}

// ---- lookup ---------------------------------------------------------------

void TZLBArchive::GetEntry(int Index, TZLBEntry& Entry) const {
  if (Index < 0 || Index >= Count()) Fail(kIndexOutOfBounds);
  Entry = FEntries[static_cast<size_t>(Index)];
}

// Lookup key of a file name: with SavePaths its folder without drive, then
// its name; letters A to Z in lower case. False when the folder or the name
// is longer than an entry can hold: such a key matches no entry.
bool TZLBArchive::KeyOf(const std::string& FileName, std::string& Key) const {
  std::string Name = Slashes(FileName);
  std::string Path = FSavePaths ? WithoutDrive(FolderPart(Name)) : std::string();
  Name = NamePart(Name);
  if (Path.size() > 255 || Name.size() > 255) return false;
  Key = LowerAZ(Path + Name);
  return true;
}

int TZLBArchive::IndexOf(const std::string& FileName) const {
  if (FArchiveName.empty()) Fail(kNotOpen);
  std::string Key;
  if (!KeyOf(FileName, Key)) return -1;
  for (size_t K = 0; K < FEntries.size(); ++K)
    if (EntryKey(FEntries[K]) == Key) return static_cast<int>(K);
  return -1;
}

// ---- extraction -----------------------------------------------------------

// The member moves in chunks of up to kExtractChunk bytes: one read (or one
// inflate call) and one write each. Progress is still reported per 4,096
// bytes, and what reaches Dest when a step fails or a handler raises is what
// a step-by-step copy would have written: every step before that one.
bool TZLBArchive::ExtractToStream(int Index, TStream& Dest) {
  TZLBEntry E;
  GetEntry(Index, E);
  std::unique_ptr<TFileStream> F = OpenFile(FArchiveName, fmOpenReadShareDenyWrite);
  const std::string Corrupt = Format(kFileCorrupt, Index);
  int64_t DataEnd = FTrailer.RegistryOffset;
  if (E.DataOffset > DataEnd || (E.Stored != 0 && int64_t(E.DataOffset) + E.Size > DataEnd)) Fail(Corrupt);

  Guard(Corrupt, [&] { F->SetPosition(E.DataOffset); });
  std::unique_ptr<TDecompressionStream> Reader;
  if (E.Stored == 0)
    Reader = Guard(Corrupt, [&] { return std::make_unique<TDecompressionStream>(*F, kInflateInput); });
  TStream& Source = Reader ? static_cast<TStream&>(*Reader) : *F;
  StartPhase(zpExtract, E.Size, Format("Extracting %s", E.NameText()));
  uLong Crc = crc32(0L, Z_NULL, 0);
  std::vector<uint8_t> Chunk(static_cast<size_t>(std::min<int64_t>(E.Size, kExtractChunk)));
  auto Put = [&](int64_t Count) {
    Guard(Corrupt, [&] { Dest.WriteBuffer(Chunk.data(), static_cast<size_t>(Count)); });
    if (FCheckCRC) Crc = crc32(Crc, Chunk.data(), static_cast<uInt>(Count));
  };
  for (int64_t Done = 0; Done < E.Size;) {
    const int64_t Want = std::min<int64_t>(E.Size - Done, kExtractChunk);
    int64_t Got = 0;
    bool Broken = false;
    try {
      Got = static_cast<int64_t>(Source.Read(Chunk.data(), static_cast<size_t>(Want)));
    } catch (...) {
      if (!LowLevelFailure()) throw;
      Broken = true;  // what inflate produced before the fault still counts
      Got = Reader ? std::max<int64_t>(Reader->Position() - Done, 0) : 0;
    }
    // Only whole steps count: a short last step is a fault.
    const int64_t Whole = Got >= Want ? Want : Got / kStepSize * kStepSize;
    int64_t Reported = 0;
    try {
      while (Reported < Whole) {
        const int64_t Step = std::min<int64_t>(Whole - Reported, kStepSize);
        if (Reader && OnInflateTick) OnInflateTick();
        FProgressDone += Step;
        DoProgress(this);
        Reported += Step;
      }
    } catch (...) {
      try {
        Put(Reported);
      } catch (...) {
      }
      throw;
    }
    Put(Whole);
    if (Broken || Whole < Want) Fail(Corrupt);
    Done += Want;
  }
  Reader.reset();
  if (FCheckCRC && Crc != E.CRC) Fail(Format(kFailedCRC, Index));
  return true;
}

void TZLBArchive::ExtractFile(const std::string& DestDir, int Index) {
  if (FArchiveName.empty()) Fail(kNotOpen);
  TZLBEntry E;
  GetEntry(Index, E);
  std::string Name = E.NameText();
  if (UnsafeName(Name) || (FExtractWithPath && UnsafePath(E.PathText()))) Fail(Format(kUnsafeName, Index));

  std::string Folder = DestDir;
  if (FExtractWithPath) {
    Folder = Slashes(DestDir + E.PathText());
    for (size_t At; (At = Folder.find("\\\\")) != std::string::npos;) Folder.erase(At, 1);
    if (!Folder.empty() && Folder.back() == '\\') Folder.pop_back();
    if (Folder.empty()) Fail(kNoDirectory);
    if (!hostfiles::ForceDirectories(Folder) || !hostfiles::DirectoryExists(Folder)) Fail(kNoDestPath);
  }
  std::string Target = Folder + "\\" + Name;

  bool Replace = true;
  if (OnReplaceFile && hostfiles::FileExists(Target)) {
    Replace = false;
    OnReplaceFile(Target, Replace);
  }
  if (Replace) {
    bool Done;
    {
      std::unique_ptr<TFileStream> Out = OpenFile(Target, fmCreate);
      Done = ExtractToStream(Index, *Out);
    }
    if (Done && OnFileExtracted) OnFileExtracted(DestDir + Name);
  }
  FPhase = zpIdle;
  DoProgress(this);
}

// ---- adding ---------------------------------------------------------------

void TZLBArchive::AddFile(const std::string& FileName) { AddMembers({FileName}); }

void TZLBArchive::AddFiles(const std::vector<std::string>& FileNames) { AddMembers(FileNames); }

// Raises "File already exists" when a name's key is in the archive or was
// given earlier in the same batch.
void TZLBArchive::CheckNewKeys(const std::vector<std::string>& FileNames) const {
  if (FileNames.size() == 1) {
    if (IndexOf(FileNames[0]) >= 0) Fail(kAlreadyExists);
    return;
  }
  std::unordered_set<std::string> Keys;
  for (const TZLBEntry& E : FEntries) Keys.insert(EntryKey(E));
  for (const std::string& Name : FileNames) {
    std::string Key;
    if (KeyOf(Name, Key) && !Keys.insert(Key).second) Fail(kAlreadyExists);
  }
}

void TZLBArchive::AddMembers(const std::vector<std::string>& FileNames) {
  if (FArchiveName.empty()) Fail(kNotOpen);
  CheckNewKeys(FileNames);
  if (FileNames.empty()) return;
  if (!FNewArchive && !FLoaded) Fail(Format(kUnableToOpen, FArchiveName));

  const std::string Archive = FArchiveName;
  std::string Temp;
  MakeTempFileName(Temp);
  if (Temp.empty()) Fail(Format(kUnableToUpdate, Archive));
  const size_t OldCount = FEntries.size();
  const TZLBTrailer OldTrailer = FTrailer;
  try {
    {
      std::unique_ptr<TFileStream> Out = OpenFile(Temp, fmOpenReadWrite);
      WriteMembers(*Out, FileNames);
    }
    if (!hostfiles::RenameOver(Temp, Archive)) Fail(Format(kUnableToUpdate, Archive));
  } catch (...) {
    hostfiles::EraseFile(Temp);
    FEntries.resize(OldCount);
    FTrailer = OldTrailer;
    FPhase = zpIdle;
    throw;
  }
  CloseArchive();
  OpenArchive(Archive);
}

// Old member data, the new members, then registry and trailer, into Temp.
void TZLBArchive::WriteMembers(TStream& Temp, const std::vector<std::string>& FileNames) {
  const std::string Update = Format(kUnableToUpdate, FArchiveName);
  if (!FNewArchive) {
    std::unique_ptr<TFileStream> Old = OpenFile(FArchiveName, fmOpenReadShareDenyWrite);
    Guard(Update, [&] { CopyBytes(Temp, *Old, FTrailer.RegistryOffset); });
  }
  for (const std::string& Name : FileNames) AppendMember(Temp, Name);
  Guard(Update, [&] { WriteRegistry(Temp); });
}

void TZLBArchive::AppendMember(TStream& Temp, const std::string& FileName) {
  const std::string Update = Format(kUnableToUpdate, FArchiveName);
  std::unique_ptr<TFileStream> Src = OpenFile(FileName, fmOpenReadShareDenyWrite);
  int64_t Size = Guard(Update, [&] { return Src->Size(); });
  int64_t DataOffset = Guard(Update, [&] { return Temp.Position(); });
  if (Size > kMaxOffset) Fail(Update);

  // Compress into memory, taking the CRC on the way.
  TMemoryStream Packed;
  uLong Crc = crc32(0L, Z_NULL, 0);
  StartPhase(zpUpdate, Size, Format("Updating %s", FileName));
  Guard(Update, [&] {
    TCompressionStream Writer(FCompressionLevel, Packed);
    Writer.OnProgress = [this](TObject* Sender) { DoProgress(Sender); };
    std::vector<uint8_t> Buf(kCopyPiece);
    for (int64_t Remaining = Size; Remaining > 0;) {
      const size_t N = static_cast<size_t>(std::min<int64_t>(Remaining, kCopyPiece));
      Src->ReadBuffer(Buf.data(), N);
      Crc = crc32(Crc, Buf.data(), static_cast<uInt>(N));
      Writer.WriteBuffer(Buf.data(), N);
      Remaining -= static_cast<int64_t>(N);
    }
    Writer.Finish();
  });

  TZLBEntry E;
  std::memset(&E, 0, sizeof E);
  E.CRC = static_cast<uint32_t>(Crc);
  std::string N = Slashes(FileName);
  SetShortString(E.Name, NamePart(N));
  if (FSavePaths) SetShortString(E.Path, WithoutDrive(FolderPart(N)));
  E.Size = static_cast<uint32_t>(Size);
  E.DataOffset = static_cast<uint32_t>(DataOffset);
  bool Compressed = Packed.Size() < Size;
  int64_t StoredSize = Compressed ? Packed.Size() : Size;
  if (DataOffset + StoredSize > kMaxOffset) Fail(Update);
  Guard(Update, [&] {
    if (Compressed) {
      Temp.WriteBuffer(Packed.Memory(), static_cast<size_t>(StoredSize));
    } else {
      Src->SetPosition(0);
      CopyBytes(Temp, *Src, Size);
    }
  });
  E.StoredSize = static_cast<uint32_t>(StoredSize);
  E.Stored = Compressed ? 0 : 1;
  E.Level = Compressed ? FCompressionLevel : 0;
  FEntries.push_back(E);
}

void TZLBArchive::WriteRegistry(TStream& Dest) {
  int64_t Offset = Dest.Size();
  if (Offset > kMaxOffset) throw EWriteError(SWriteError);
  FTrailer.RegistryOffset = static_cast<uint32_t>(Offset);
  std::vector<uint8_t> Buf(FEntries.size() * ZLBEntrySize);
  for (size_t K = 0; K < FEntries.size(); ++K) EncodeEntry(FEntries[K], Buf.data() + K * ZLBEntrySize);
  const size_t BufSize = Buf.size();

  StartPhase(zpWriteRegistry, static_cast<int64_t>(BufSize), "Writing archive registry");
  try {
    TCompressionStream Writer(FCompressionLevel, Dest);
    Writer.OnProgress = [this](TObject* Sender) { DoProgress(Sender); };
    Writer.WriteBuffer(Buf.data(), BufSize);
    Writer.Finish();
    FTrailer.RegistrySize = static_cast<int32_t>(Dest.Size() - Offset);
    FTrailer.RegistryCompressed = 1;
  } catch (const ECompressionError&) {
    // Whatever the writer left goes; the plain registry starts at Offset.
    Dest.SetSize(Offset);
    Dest.SetPosition(Offset);
    Dest.WriteBuffer(Buf.data(), BufSize);
    FTrailer.RegistrySize = 0;
    FTrailer.RegistryCompressed = 0;
  }
  FTrailer.Count = static_cast<int32_t>(FEntries.size());
  FTrailer.Constant = 1;
  std::memset(FTrailer.Reserved, 0, sizeof FTrailer.Reserved);
  FTrailer.CRC = CalcCRC(Dest, 0);
  uint8_t Raw[ZLBTrailerSize];
  EncodeTrailer(FTrailer, Raw);
  Dest.Seek(0, TSeekOrigin::soEnd);
  Dest.WriteBuffer(Raw, ZLBTrailerSize);
}

// ---- host folders ---------------------------------------------------------

void TZLBArchive::MakeTempFileName(std::string& Name) {
  Name = hostfiles::CreateUniqueFile(FolderPart(Slashes(FArchiveName)), "ZLB");
}

void TZLBArchive::ListFiles(const std::string& Folder, std::vector<std::string>& List) {
  ScanFolder(Folder, List);
}

void TZLBArchive::ScanFolder(const std::string& Folder, std::vector<std::string>& List) {
  std::string Dir = Slashes(Folder);
  if (!Dir.empty() && Dir.back() == '\\') Dir.pop_back();
  std::vector<std::string> Local;
  hostfiles::ListFolder(Dir, [&](const std::string& Name, bool IsFolder) {
    std::string Item = Dir + "\\" + Name;
    if (!IsFolder) {
      Local.push_back(Item);
      return;
    }
    if (FRecursePaths) ScanFolder(Item, List);
    if (FSavePaths) Local.push_back(Item);
  });
  List.insert(List.end(), Local.begin(), Local.end());
}
