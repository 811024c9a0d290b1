// HostFiles.h - file-system operations on system names, for the archive,
// the launcher and the tools.
//
// A system name is Windows ANSI (code page 1252) with backslashes, as stored
// in archives. On Windows the names go to the ...A functions unchanged. On
// other hosts every backslash becomes '/' and the text is converted from
// code page 1252 to UTF-8 on the way in, and back on the way out, so a name
// such as "caf\xE9.txt" is the host file "café.txt".
#pragma once

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

}  // namespace hostfiles
