// HostFiles.h - file-system operations on system names, for the toolkit's
// file stream, the archive, the launcher and the tools.
//
// A system name is Windows ANSI (code page 1252) with backslashes, as stored
// in archives. On Windows the names go to the ...A functions unchanged. On
// other hosts every backslash becomes '/' and the text is converted from
// code page 1252 to UTF-8 on the way in, and back on the way out, so a name
// such as "caf\xE9.txt" is the host file "café.txt".
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace hostfiles {

// Code page 1252 <-> UTF-8. Characters that code page 1252 cannot hold
// become '?' (as the ANSI functions of Windows do); Ok, when given, tells
// whether every character could be held.
std::string AnsiToUtf8(const std::string& Ansi);
std::string Utf8ToAnsi(const std::string& Utf8, bool* Ok = nullptr);

// System name <-> the host's own spelling (identity on Windows).
std::string HostName(const std::string& SysName);
std::string SystemName(const std::string& HostName, bool* Ok = nullptr);

bool FileExists(const std::string& SysName);       // an existing non-folder
bool DirectoryExists(const std::string& SysName);
// Creates the folder and every missing parent; true when it exists afterwards.
bool ForceDirectories(const std::string& SysName);
// EraseFile and RenameOver are named apart from the Windows macros
// DeleteFile and ReplaceFile.
bool EraseFile(const std::string& SysName);
// Puts Source in the place of Dest in one step (rename over; on Windows
// MoveFileExA with replace). Dest is never removed first. On POSIX hosts
// Source takes Dest's permission bits when Dest exists.
bool RenameOver(const std::string& Source, const std::string& Dest);
// Creates a new empty file with a unique name starting with Prefix in
// Folder ("" is the current folder); returns its name, or "" on failure.
// On POSIX hosts its mode is that of any new file (0666 less the umask).
std::string CreateUniqueFile(const std::string& Folder, const std::string& Prefix);
// Lists the items of Folder (not "." and ".."), sorted by name.
bool ListFolder(const std::string& Folder,
                const std::function<void(const std::string& Name, bool IsFolder)>& Item);
// The host's part of ListFolder: the items in any order, with IsFolder.
bool ReadFolder(const std::string& Folder, std::vector<std::pair<std::string, bool>>& Items);
// Gives the file Source the name Dest, only while Dest does not exist: an
// existing Dest is never replaced (on Windows MoveFileA).
bool MoveNoReplace(const std::string& Source, const std::string& Dest);

// ---- open files (the toolkit's TFileStream stands on these) ----------------

// A host file descriptor or HANDLE; kNoFile when there is none.
using TFileHandle = std::intptr_t;
const TFileHandle kNoFile = -1;

// Sharing is enforced on Windows only; POSIX hosts do not lock.
enum TOpenMode {
  omRead,           // read; others may read and write
  omReadDenyWrite,  // read; others may read, not write
  omCreate,         // created or emptied; read and write; no one else may open it
  omReadWrite       // an existing file; read and write; no one else may open it
};
enum TSeekFrom { sfBeginning, sfCurrent, sfEnd };

// kNoFile when the file cannot be opened as asked, or SysName is empty or
// names a folder.
TFileHandle FileOpen(const std::string& SysName, TOpenMode Mode);
void FileClose(TFileHandle Handle);
// Move up to Count bytes (any count; the host's limits are met in pieces)
// and return how many moved: fewer only at the end of the file or on an error.
size_t FileRead(TFileHandle Handle, void* Buffer, size_t Count);
size_t FileWrite(TFileHandle Handle, const void* Buffer, size_t Count);
// The new position; -1 when it would lie before the start or the host fails.
int64_t FileSeek(TFileHandle Handle, int64_t Offset, TSeekFrom From);
// Cuts or extends the file to Size bytes (new bytes are zero). The position
// is left where it was on POSIX and at Size on Windows: callers set it.
bool FileTruncate(TFileHandle Handle, int64_t Size);

}  // namespace hostfiles
