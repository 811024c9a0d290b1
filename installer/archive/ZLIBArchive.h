// ZLIBArchive.h - TZLBArchive: many files kept in one ZLB archive file.
//
// File layout (all integers little-endian):
//   member data   from offset 0: every entry's stored bytes, back to back, in
//                 entry order, no headers or gaps
//   registry      at TZLBTrailer::RegistryOffset: one 532-byte TZLBEntry per
//                 entry, as one zlib stream (RegistryCompressed 1) or plain (0)
//   trailer       the last 36 bytes: TZLBTrailer; its CRC covers every byte
//                 before it. There is no signature: the CRC identifies the file.
//
// Names. Every file name given to or reported by the component is a system
// name: Windows ANSI (code page 1252), folders separated by backslashes ('/'
// counts as a backslash in names given to the component). Stored Names and
// Paths use the same encoding. On hosts other than Windows the names are
// mapped to host file names as toolkit/base/HostFiles.h describes.
//
// Errors are raised as EArchiveError (ZLIBStreams.h; a toolkit Exception)
// carrying one of these texts (formatted where they hold %s or %d):
//   "Archive file not found"                  "Unable to open file (%s)"
//   "The archive file appears to be corrupted" "Unable to read archive file list"
//   "Index out of bounds"                     "No archive is currently open"
//   "Unable to create destination path"       "Unable to create directory"
//   "File (%d) is corrupt"                    "File (%d) failed CRC check"
//   "File already exists"                     "Unsafe file name in archive (%d)"
//   "Unable to update archive (%s)"
// Exceptions raised by event handlers pass through unchanged.
#pragma once

#include "ZLIBStreams.h"
#include "toolkit/base/Classes.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One member. In memory the fields hold the stored values; the file holds
// them as the same 532 bytes, little-endian.
struct TZLBEntry {
  uint8_t Name[256];    // length byte (0..255), then that many characters, then zeros
  uint8_t Path[256];    // folder with trailing backslash, same form; all zero unless SavePaths
  uint32_t Size;        // uncompressed bytes
  uint32_t StoredSize;  // bytes occupied in the member data
  uint32_t DataOffset;  // file offset of the stored bytes
  uint32_t CRC;         // CRC-32 of the uncompressed bytes
  uint8_t Stored;       // 1: stored as they are; 0: one zlib stream
  uint8_t Level;        // TFileCompressionLevel used; 0 when Stored is 1
  uint8_t Reserved[2];

  std::string NameText() const;  // Name as a string
  std::string PathText() const;  // Path as a string
};

// The last 36 bytes of an archive.
struct TZLBTrailer {
  uint32_t CRC;              // CRC-32 of every byte before the trailer
  int32_t Count;             // number of entries
  uint32_t Constant;         // 1 when written; not examined when read
  int32_t RegistrySize;      // registry bytes in the file; 0 for a plain registry; not examined
  uint32_t RegistryOffset;   // where the registry starts = end of the member data
  uint8_t RegistryCompressed;
  uint8_t Reserved[15];
};

const int32_t ZLBEntrySize = 532;
const int32_t ZLBTrailerSize = 36;

// Progress phases (FPhase). 3 is not used.
enum TZLBPhase : uint8_t { zpReadRegistry = 0, zpExtract = 1, zpUpdate = 2, zpWriteRegistry = 4, zpIdle = 5 };

// States: Closed (no name recorded), New (name recorded by CreateArchive,
// nothing written yet), Open (name recorded and the registry loaded). A name
// can also stay recorded with no entries after OpenArchive failed to find or
// open the file, or CreateArchive found the file present; such a name can be
// neither read nor added to.
class TZLBArchive : public TComponent {
public:
  // The component's event types, declared inside it so that they never
  // meet the toolkit's own TProgressEvent; TNotifyEvent is the toolkit's.
  // Filename: full name of the file about to be overwritten; Replace is false on entry.
  using TReplaceFileEvent = std::function<void(const std::string& Filename, bool& Replace)>;
  using TFileExtractedEvent = std::function<void(const std::string& filename)>;
  using TErrorLogEvent = std::function<void(const std::string& Msg)>;
  using TProgressEvent = std::function<void(const std::string& Msg, int Percentage)>;
  using TNotifyEvent = ::TNotifyEvent;

  // Owned by AOwner when given. Closed, properties at their defaults.
  explicit TZLBArchive(TComponent* AOwner);
  const char* ClassName() const override { return "TZLBArchive"; }
  // Closes the archive; no progress is reported while destroying.
  ~TZLBArchive() override;

  // Closes what was open, then opens FileName and loads its registry.
  // Returns false (and stays Closed) when FileName is empty.
  // Events: OnProgress("", 0) from the close, progress while a compressed
  // registry is read ("Extracting archive registry"), OnArchiveOpened, then
  // OnProgress(archive name, 0).
  // Raises "Archive file not found" or "Unable to open file (%s)" (the name):
  //   the name stays recorded with no entries.
  // Raises "The archive file appears to be corrupted" when the trailer's CRC
  //   differs from the file's, or the file has 1 to 35 bytes: Closed.
  // Raises "Unable to read archive file list" when Count, RegistryOffset or
  //   the registry do not fit the file, the registry cannot be read, or the
  //   OnArchiveOpened handler raises: Closed.
  // A zero-byte file is an empty archive.
  bool OpenArchive(const std::string& FileName);

  // Frees the entries and forgets the name: Closed. Reports OnProgress("", 0).
  void CloseArchive();

  // Closes, then records FileName for a new archive (nothing is written until
  // the first AddFile) and raises OnArchiveOpened: New. An empty name leaves
  // it Closed. Raises "File already exists" when the file exists (the name
  // stays recorded, not New).
  void CreateArchive(const std::string& FileName);

  // Appends one file (Name = the part after the last backslash or colon;
  // Path, when SavePaths, = the folder part without anything up to its first
  // colon; both cut to 255 characters) and rewrites the archive: member data
  // copied to a temporary file in the archive's folder, the new member
  // compressed at CompressionLevel (stored plain when that is not smaller),
  // registry and trailer written, and the temporary file renamed over the
  // archive in one step. Then the archive is closed and opened again: Open.
  // Raises "No archive is currently open" (no name), "File already exists"
  // (IndexOf finds the key), "Unable to open file (%s)" (the archive, which
  // is not open or cannot be read, or the file to add), "Unable to update
  // archive (%s)" (the archive name: writing the temporary file or replacing
  // the archive failed, or a size passes 4 GiB). On any of these the
  // temporary file is removed and the archive file and entries are unchanged.
  // Events: OnProgress per 64 KiB of compressed output ("Updating %s"), the
  // registry writer's reports, then those of CloseArchive and OpenArchive.
  void AddFile(const std::string& FileName);

  // Appends every file in order and writes the archive once; the result is
  // byte for byte that of AddFile for each name in turn. All or nothing:
  // a key already present (or given twice) raises "File already exists"
  // before anything is written; other errors as AddFile.
  void AddFiles(const std::vector<std::string>& FileNames);

  // Writes entry Index to DestDir\Name (with ExtractWithPath, to
  // DestDir + Path, created with its parents, then \Name). An existing file
  // is overwritten unless OnReplaceFile is assigned and leaves Replace false.
  // After writing, OnFileExtracted gets DestDir immediately followed by Name.
  // Ends with OnProgress(archive name, 0).
  // Raises "No archive is currently open", "Index out of bounds",
  // "Unsafe file name in archive (%d)" before anything is written: Name
  // empty or holding a backslash, slash, colon or control character (NUL
  // included), ending in a dot or a space (so "." and ".." too), or a device
  // (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9, LPT1-9, COM and LPT with
  // the superscripts 1 to 3; with any extension and trailing spaces or
  // dots); with ExtractWithPath, a Path holding a colon or a folder that
  // breaks the same rules (empty folders and "." allowed); "Unable to create directory"
  // (empty folder text), "Unable to create destination path",
  // "Unable to open file (%s)" (the target cannot be created), and what
  // ExtractToStream raises; a target written in part stays on disk.
  void ExtractFile(const std::string& DestDir, int Index);

  // Writes entry Index's Size bytes to Dest at its position; returns true.
  // Reports progress per 4,096 bytes ("Extracting %s" with Name); Dest
  // receives the bytes in writes of up to 1 MiB, and a handler that raises
  // leaves in Dest the steps before its report.
  // Raises "Index out of bounds", "Unable to open file (%s)" (the archive),
  // "File (%d) is corrupt" (the stored bytes lie outside the member data,
  // reading or inflating fails or ends early, or writing to Dest fails), and
  // with CheckCRC "File (%d) failed CRC check" (CRC-32 of the bytes written
  // differs from the entry's). Dest keeps what was written.
  bool ExtractToStream(int Index, TStream& Dest);

  // Copies entry Index. Raises "Index out of bounds" for Index < 0 or >= Count.
  void GetEntry(int Index, TZLBEntry& Entry) const;

  // Index of the entry whose Path + Name equals the key of FileName
  // (with SavePaths its folder without drive, then its name; else its name),
  // letters A to Z compared without case; -1 when none. A folder or name
  // longer than the 255 characters an entry holds matches no entry.
  // Raises "No archive is currently open" when no name is recorded.
  int IndexOf(const std::string& FileName) const;

  // Appends to List every file in Folder as Folder\name; with RecursePaths
  // a sub-folder's files first; with SavePaths sub-folders are listed too.
  // Items of one folder are in name order. Raises nothing.
  virtual void ListFiles(const std::string& Folder, std::vector<std::string>& List);

  // Creates a new empty file "ZLB*.tmp" in the archive's folder (so that it
  // can be renamed over the archive) and sets Name to it; "" on failure.
  virtual void MakeTempFileName(std::string& Name);

  // CRC-32 of Strm from offset 0 up to its size minus LeaveOut bytes, read
  // in 10,240-byte pieces; the position is restored. No bytes give 0.
  uint32_t CalcCRC(TStream& Strm, int64_t LeaveOut);

  // Appends the registry of the current entries (compressed at
  // CompressionLevel, plain if compressing fails) and the trailer to Dest,
  // which must be readable and positioned at its end. Updates the trailer.
  // Raises EStreamError when Dest cannot be written.
  void WriteRegistry(TStream& Dest);

  // Reports the current phase through OnProgress; raises what the handler raises.
  void DoProgress(TObject* Sender);

  int Count() const { return static_cast<int>(FEntries.size()); }
  const std::string& ArchiveName() const { return FArchiveName; }
  bool IsNewArchive() const { return FNewArchive; }
  const TZLBTrailer& Trailer() const { return FTrailer; }

  // Published properties (defaults: fcDefault, false, false, false, false).
  TFileCompressionLevel CompressionLevel() const { return FCompressionLevel; }
  void SetCompressionLevel(TFileCompressionLevel Value) { FCompressionLevel = Value; }
  bool ExtractWithPath() const { return FExtractWithPath; }
  void SetExtractWithPath(bool Value) { FExtractWithPath = Value; }
  bool RecursePaths() const { return FRecursePaths; }
  void SetRecursePaths(bool Value) { FRecursePaths = Value; }
  bool SavePaths() const { return FSavePaths; }
  void SetSavePaths(bool Value) { FSavePaths = Value; }
  bool CheckCRC() const { return FCheckCRC; }
  void SetCheckCRC(bool Value) { FCheckCRC = Value; }

  TReplaceFileEvent OnReplaceFile;
  TFileExtractedEvent OnFileExtracted;
  TFileExtractedEvent OnStreamExtracted;  // not raised by any operation
  TNotifyEvent OnArchiveOpened;
  TErrorLogEvent OnErrorLogged;  // not raised by any operation
  TProgressEvent OnProgress;
  // Not published, for an audible tick: called after every inflate step
  // while a compressed registry is read, and once per 4,096-byte step of a
  // compressed member being extracted.
  std::function<void()> OnInflateTick;

private:
  void AddMembers(const std::vector<std::string>& FileNames);
  bool KeyOf(const std::string& FileName, std::string& Key) const;
  void CheckNewKeys(const std::vector<std::string>& FileNames) const;
  void WriteMembers(TStream& Temp, const std::vector<std::string>& FileNames);
  void AppendMember(TStream& Temp, const std::string& FileName);
  void ReadRegistry(TStream& F, int64_t FileSize);
  void ScanFolder(const std::string& Folder, std::vector<std::string>& List);
  void StartPhase(TZLBPhase Phase, int64_t Total, const std::string& Msg);

  bool FNewArchive = false;
  std::string FArchiveName;
  TZLBTrailer FTrailer;
  std::vector<TZLBEntry> FEntries;
  TFileCompressionLevel FCompressionLevel = fcDefault;
  bool FExtractWithPath = false;
  bool FRecursePaths = false;
  bool FSavePaths = false;
  bool FCheckCRC = false;
  TZLBPhase FPhase = zpIdle;
  std::string FProgressMsg;
  int64_t FProgressTotal = 0;
  int64_t FProgressDone = 0;
  bool FLoaded = false;  // the registry of FArchiveName was read
};
