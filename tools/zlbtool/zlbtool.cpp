// zlbtool: create, extend, list, extract and verify ZLB archives.
//
// Exit status: 0 success, 1 failure (the error's text on standard error),
// 2 bad usage. Names on the command line are the host's; they are turned
// into system names (code page 1252, backslashes) for the archive component.
#include "toolkit/base/HostFiles.h"
#include "ZLIBArchive.h"

#include <CLI/CLI.hpp>
#include <zlib.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace {

const std::map<std::string, TFileCompressionLevel> kLevels = {
    {"none", fcNone}, {"fastest", fcFastest}, {"default", fcDefault}, {"maximum", fcMaximum}};
const char* const kLevelNames[] = {"none", "fastest", "default", "maximum"};

std::string Sys(const std::string& Host) {
  bool Ok = true;
  std::string S = hostfiles::SystemName(Host, &Ok);
  if (!Ok) throw EArchiveError("Name not representable in code page 1252 (" + Host + ")");
  return S;
}

// Stored text as the console shows it: ANSI on Windows, UTF-8 elsewhere.
std::string Shown(const std::string& SysText) {
#ifdef _WIN32
  return SysText;
#else
  return hostfiles::AnsiToUtf8(SysText);
#endif
}

// A one-line progress bar on standard error, drawn only on a terminal.
class ProgressBar {
public:
  explicit ProgressBar(TZLBArchive& A) {
    if (!isatty(fileno(stderr))) return;
    A.OnProgress = [this](const std::string& Msg, int Percent) { Draw(Msg, Percent); };
  }
  ~ProgressBar() {
    if (FShown) std::fprintf(stderr, "\r%*s\r", 79, "");
  }

private:
  void Draw(const std::string& Msg, int Percent) {
    if (Msg.empty() || (Percent == FLast && Msg == FMsg)) return;
    FLast = Percent;
    FMsg = Msg;
    FShown = true;
    int Fill = Percent * 20 / 100;
    std::string Text = Shown(Msg);
    if (Text.size() > 48) Text = "..." + Text.substr(Text.size() - 45);
    std::fprintf(stderr, "\r[%-20s] %3d%% %-48s", std::string(Fill, '#').c_str(), Percent, Text.c_str());
    std::fflush(stderr);
  }
  int FLast = -1;
  std::string FMsg;
  bool FShown = false;
};

struct AddOptions {
  std::string Level = "default";
  bool SavePaths = false;
  bool Recurse = false;
  std::string Archive;
  std::vector<std::string> Paths;
};

// Folders given on the command line become the files ListFiles finds in them.
std::vector<std::string> Expand(TZLBArchive& A, const std::vector<std::string>& Paths) {
  std::vector<std::string> Files;
  for (const std::string& P : Paths) {
    std::string S = Sys(P);
    if (!hostfiles::DirectoryExists(S)) {
      Files.push_back(S);
      continue;
    }
    std::vector<std::string> Found;
    A.ListFiles(S, Found);
    for (const std::string& F : Found)
      if (!hostfiles::DirectoryExists(F)) Files.push_back(F);
  }
  return Files;
}

int RunAdd(const AddOptions& O, bool Create) {
  TZLBArchive A(nullptr);
  A.SetCompressionLevel(kLevels.at(O.Level));
  A.SetSavePaths(O.SavePaths);
  A.SetRecursePaths(O.Recurse);
  ProgressBar Bar(A);
  std::string Name = Sys(O.Archive);
  if (Create)
    A.CreateArchive(Name);
  else
    A.OpenArchive(Name);
  std::vector<std::string> Files = Expand(A, O.Paths);
  A.AddFiles(Files);
  // Nothing to add (empty folders): a zero-byte file is the empty archive.
  if (Create && Files.empty()) TFileStream Empty(Name, fmCreate);
  return 0;
}

int RunList(const std::string& Archive, bool Long) {
  TZLBArchive A(nullptr);
  A.OpenArchive(Sys(Archive));
  if (Long) std::printf("%5s  %-32s %-24s %10s %10s %-7s %-8s\n", "index", "name", "path", "size", "stored",
                        "method", "crc");
  for (int K = 0; K < A.Count(); ++K) {
    TZLBEntry E;
    A.GetEntry(K, E);
    if (!Long) {
      std::printf("%s\n", Shown(E.PathText() + E.NameText()).c_str());
      continue;
    }
    const char* Method = E.Stored ? "stored" : E.Level < 4 ? kLevelNames[E.Level] : "?";
    std::printf("%5d  %-32s %-24s %10u %10u %-7s %08X\n", K, Shown(E.NameText()).c_str(),
                Shown(E.PathText()).c_str(), E.Size, E.StoredSize, Method, E.CRC);
  }
  return 0;
}

std::string LowerAZ(std::string S) {
  for (char& C : S)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
  return S;
}

// An INDEX, or every entry whose Name or Path + Name is NAME (A to Z without case).
std::vector<int> Select(TZLBArchive& A, const std::vector<std::string>& Items) {
  std::vector<int> Out;
  if (Items.empty())
    for (int K = 0; K < A.Count(); ++K) Out.push_back(K);
  for (const std::string& Item : Items) {
    if (!Item.empty() && Item.find_first_not_of("0123456789") == std::string::npos && Item.size() < 10) {
      Out.push_back(std::stoi(Item));
      continue;
    }
    std::string Key = LowerAZ(Sys(Item));
    size_t Before = Out.size();
    for (int K = 0; K < A.Count(); ++K) {
      TZLBEntry E;
      A.GetEntry(K, E);
      if (LowerAZ(E.NameText()) == Key || LowerAZ(E.PathText() + E.NameText()) == Key) Out.push_back(K);
    }
    if (Out.size() == Before) throw EArchiveError("No such entry in archive (" + Item + ")");
  }
  return Out;
}

struct ExtractOptions {
  std::string Dir = ".";
  bool WithPaths = false;
  bool CheckCRC = false;
  bool Keep = false;
  std::string Archive;
  std::vector<std::string> Items;
};

int RunExtract(const ExtractOptions& O) {
  TZLBArchive A(nullptr);
  A.SetExtractWithPath(O.WithPaths);
  A.SetCheckCRC(O.CheckCRC);
  if (O.Keep) A.OnReplaceFile = [](const std::string&, bool& Replace) { Replace = false; };
  ProgressBar Bar(A);
  A.OpenArchive(Sys(O.Archive));
  std::string Dest = Sys(O.Dir);
  if (!hostfiles::ForceDirectories(Dest)) throw EArchiveError("Unable to create directory");
  if (Dest.back() != '\\') Dest += '\\';
  for (int Index : Select(A, O.Items)) A.ExtractFile(Dest, Index);
  return 0;
}

// Counts what a member produces without keeping it.
class TNullStream : public TStream {
public:
  size_t Read(void*, size_t) override { return 0; }
  size_t Write(const void*, size_t Count) override { return Count; }
  int64_t Seek(int64_t, TSeekOrigin) override { return 0; }
};

int RunVerify(const std::string& Archive) {
  TZLBArchive A(nullptr);
  A.SetCheckCRC(true);
  ProgressBar Bar(A);
  A.OpenArchive(Sys(Archive));
  int Bad = 0;
  for (int K = 0; K < A.Count(); ++K) {
    TZLBEntry E;
    A.GetEntry(K, E);
    try {
      TNullStream Null;
      A.ExtractToStream(K, Null);
    } catch (const EArchiveError& Err) {
      std::fprintf(stderr, "%s: %s\n", Shown(E.PathText() + E.NameText()).c_str(), Err.what());
      ++Bad;
    }
  }
  if (Bad) return 1;
  std::printf("%s: %d members, CRCs correct\n", Archive.c_str(), A.Count());
  return 0;
}

void AddCommonOptions(CLI::App* Cmd, AddOptions& O) {
  Cmd->add_option("--level", O.Level, "Compression level")
      ->check(CLI::IsMember({"none", "fastest", "default", "maximum"}));
  Cmd->add_flag("--save-paths", O.SavePaths, "Store the folder of each file");
  Cmd->add_flag("--recurse", O.Recurse, "Descend into sub-folders of folders given");
  Cmd->add_option("ARCHIVE", O.Archive, "Archive file")->required();
  Cmd->add_option("PATH", O.Paths, "Files and folders to add")->required();
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App App("Create, extend, list, extract and verify ZLB archives.", "zlbtool");
  App.require_subcommand(1);
  AddOptions Create, Add;
  AddCommonOptions(App.add_subcommand("create", "Create a new archive (fails if it exists)"), Create);
  AddCommonOptions(App.add_subcommand("add", "Add files to an existing archive"), Add);

  std::string ListArchive;
  bool Long = false;
  CLI::App* List = App.add_subcommand("list", "List the members");
  List->add_flag("--long", Long, "Index, name, path, size, stored size, method and CRC");
  List->add_option("ARCHIVE", ListArchive, "Archive file")->required();

  ExtractOptions Ex;
  CLI::App* Extract = App.add_subcommand("extract", "Extract members (all when none are named)");
  Extract->add_option("-C", Ex.Dir, "Destination folder (created if missing)");
  Extract->add_flag("--with-paths", Ex.WithPaths, "Recreate stored folders under the destination");
  Extract->add_flag("--check-crc", Ex.CheckCRC, "Verify the CRC of each extracted member");
  Extract->add_flag("--keep", Ex.Keep, "Leave existing files alone");
  Extract->add_option("ARCHIVE", Ex.Archive, "Archive file")->required();
  Extract->add_option("MEMBER", Ex.Items, "Entry index or name");

  std::string VerifyArchive;
  CLI::App* Verify = App.add_subcommand("verify", "Check the archive CRC and every member's CRC");
  Verify->add_option("ARCHIVE", VerifyArchive, "Archive file")->required();

  try {
    App.parse(argc, argv);
  } catch (const CLI::CallForHelp& E) {
    return App.exit(E);
  } catch (const CLI::ParseError& E) {
    App.exit(E);
    return 2;
  }
  try {
    if (App.got_subcommand("create")) return RunAdd(Create, true);
    if (App.got_subcommand("add")) return RunAdd(Add, false);
    if (App.got_subcommand("list")) return RunList(ListArchive, Long);
    if (App.got_subcommand("extract")) return RunExtract(Ex);
    return RunVerify(VerifyArchive);
  } catch (const std::exception& E) {
    std::fprintf(stderr, "zlbtool: %s\n", E.what());
    return 1;
  }
}
