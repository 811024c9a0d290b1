// The add-on switch against real folders (the host's moves that never
// replace) and the registry accessor against an in-memory registry. Runs
// natively and, in the Windows build, under Wine with MoveFileA.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "launcher/AddonSwitch.h"
#include "testsupport.h"

namespace fs = std::filesystem;

namespace {

using TFiles = std::map<std::string, std::string>;  // name -> contents

// A fresh folder of its own, made current for the test's life.
class GameFolder {
public:
  GameFolder() : FOld(fs::current_path()) { fs::current_path(FDir.path()); }
  ~GameFolder() { fs::current_path(FOld); }
  void Put(const TFiles& files) {
    for (const auto& [name, contents] : files) std::ofstream(name, std::ios::binary) << contents;
  }
  TFiles Files() const {
    TFiles files;
    for (const auto& e : fs::directory_iterator(FDir.path())) {
      std::ifstream in(e.path(), std::ios::binary);
      std::ostringstream s;
      s << in.rdbuf();
      files[e.path().filename().string()] = s.str();
    }
    return files;
  }

private:
  testsupport::TempDir FDir{"afgold-switch"};
  fs::path FOld;
};

// The state in memory; counts writes, can fail reads.
struct FakeState : TAddonState {
  bool On = false;
  int Writes = 0;
  bool FailRead = false;
  bool ReadEnabled() override {
    if (FailRead) throw ERegistryException("Failed to get data for 'Enabled'");
    return On;
  }
  void WriteEnabled(bool on) override {
    On = on;
    Writes++;
  }
};

const TFiles kAllEight = {
    {"rules.ini", "game rules"},  {"art.ini", "game art"},      {"title.pcx", "game title"},
    {"theme.ini", "game theme"},  {"afgold.dat", "addon rules"}, {"afart.dat", "addon art"},
    {"aftitle.dat", "addon title"}, {"afmusic.dat", "addon theme"},
};

TFiles Without(TFiles files, const std::string& name) {
  files.erase(name);
  return files;
}
TFiles With(TFiles files, const std::string& name, const std::string& contents) {
  files[name] = contents;
  return files;
}

enum Button { Enable, Disable };

struct Case {
  const char* name;
  TFiles before;
  bool on;
  Button button;
  TFiles after;
  TSwitchResult result;
};

TSwitchResult Press(Button b, TFileOps& files, TAddonState& state) {
  return b == Enable ? SwitchOn(files, state) : SwitchOff(files, state);
}

TEST(AddonSwitch, MovesFilesAsTheStateChanges) {
  const TFiles on = {
      {"temprules.ini", "game rules"}, {"tempart.ini", "game art"},  {"temptitle.pcx", "game title"},
      {"themetemp.ini", "game theme"}, {"rules.ini", "addon rules"}, {"art.ini", "addon art"},
      {"title.pcx", "addon title"},    {"theme.ini", "addon theme"},
  };
  const Case cases[] = {
      {"all eight files, enable", kAllEight, false, Enable, on, srSwitched},
      {"all eight files switched on, disable", on, true, Disable, kAllEight, srSwitched},
      // No backup for a missing game file; the add-on's file still moves in.
      {"theme.ini missing, enable", Without(kAllEight, "theme.ini"), false, Enable,
       Without(on, "themetemp.ini"), srSwitched},
      {"theme.ini missing, disable", Without(on, "themetemp.ini"), true, Disable,
       Without(kAllEight, "theme.ini"), srSwitched},
      // The backup move fails, so the game's art.ini stays and the add-on's
      // file cannot move onto it.
      {"backup name taken, enable", With(kAllEight, "tempart.ini", "old backup"), false, Enable,
       With(With(With(on, "tempart.ini", "old backup"), "art.ini", "game art"), "afart.dat", "addon art"),
       srSwitched},
      {"add-on file missing, enable", Without(kAllEight, "afart.dat"), false, Enable,
       Without(on, "art.ini"), srSwitched},
      {"enable while on", kAllEight, true, Enable, kAllEight, srAlreadyOn},
      {"disable while off", on, false, Disable, on, srAlreadyOff},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GameFolder folder;
    folder.Put(c.before);
    THostFileOps files;
    FakeState state;
    state.On = c.on;
    EXPECT_EQ(Press(c.button, files, state), c.result);
    EXPECT_EQ(folder.Files(), c.after);
    bool switched = c.result == srSwitched;
    EXPECT_EQ(state.Writes, switched ? 1 : 0);
    EXPECT_EQ(state.On, switched ? c.button == Enable : c.on);
  }
}

TEST(AddonSwitch, RoundTripRestoresNamesAndContents) {
  GameFolder folder;
  TFiles start = With(kAllEight, "Ash.exe", "the game");
  folder.Put(start);
  THostFileOps files;
  FakeState state;
  EXPECT_EQ(SwitchOn(files, state), srSwitched);
  EXPECT_TRUE(state.On);
  EXPECT_EQ(SwitchOff(files, state), srSwitched);
  EXPECT_FALSE(state.On);
  EXPECT_EQ(folder.Files(), start);
}

// The order of the moves differs between the directions and matters when
// names collide, so it is checked move by move.
struct RecordingFiles : TFileOps {
  std::set<std::string> present;
  std::vector<std::string> log;
  bool Exists(const std::string& name) override { return present.count(name) != 0; }
  bool Move(const std::string& from, const std::string& to) override {
    log.push_back(from + ">" + to);
    if (!present.count(from) || present.count(to)) return false;
    present.erase(from);
    present.insert(to);
    return true;
  }
};

TEST(AddonSwitch, MoveOrderInEachDirection) {
  RecordingFiles files;
  for (const auto& [name, contents] : kAllEight) files.present.insert(name);
  FakeState state;
  SwitchOn(files, state);
  std::vector<std::string> on = {"art.ini>tempart.ini",   "rules.ini>temprules.ini", "title.pcx>temptitle.pcx",
                                 "theme.ini>themetemp.ini", "afgold.dat>rules.ini",    "afart.dat>art.ini",
                                 "aftitle.dat>title.pcx", "afmusic.dat>theme.ini"};
  EXPECT_EQ(files.log, on);
  files.log.clear();
  SwitchOff(files, state);
  std::vector<std::string> off = {"rules.ini>afgold.dat",   "art.ini>afart.dat",       "title.pcx>aftitle.dat",
                                  "theme.ini>afmusic.dat",  "tempart.ini>art.ini",     "temprules.ini>rules.ini",
                                  "temptitle.pcx>title.pcx", "themetemp.ini>theme.ini"};
  EXPECT_EQ(files.log, off);
}

TEST(AddonSwitch, FailedReadMovesNothingAndWritesNothing) {
  for (Button b : {Enable, Disable}) {
    RecordingFiles files;
    files.present = {"rules.ini", "afgold.dat", "temprules.ini"};
    FakeState state;
    state.FailRead = true;
    EXPECT_THROW(Press(b, files, state), ERegistryException);
    EXPECT_TRUE(files.log.empty());
    EXPECT_EQ(state.Writes, 0);
  }
}

// Every combination of present and absent names among the twelve, in both
// states, under both buttons: no contents are ever lost or overwritten, and
// the folder holds exactly the contents it held before. Each file's contents
// are unique, so a replaced file would show as a missing one.
TEST(AddonSwitch, NoContentsLostInAnyCombination) {
  std::vector<std::string> names;
  for (const TSwappedFile& f : SwappedFiles)
    for (const char* n : {f.Game, f.Addon, f.Backup}) names.push_back(n);
  ASSERT_EQ(names.size(), 12u);
#ifdef _WIN32
  const unsigned stride = 29;  // file operations under Wine are slow: a spread sample
#else
  const unsigned stride = 1;
#endif
  GameFolder folder;
  THostFileOps files;
  int runs = 0;
  for (unsigned mask = 0; mask < (1u << names.size()); mask += stride) {
    TFiles before;
    for (size_t i = 0; i < names.size(); i++)
      if (mask & (1u << i)) before[names[i]] = "contents of " + names[i];
    for (bool on : {false, true})
      for (Button b : {Enable, Disable}) {
        for (const auto& e : fs::directory_iterator(fs::current_path())) fs::remove(e.path());
        folder.Put(before);
        FakeState state;
        state.On = on;
        Press(b, files, state);
        std::multiset<std::string> was, is;
        for (const auto& [n, c] : before) was.insert(c);
        for (const auto& [n, c] : folder.Files()) is.insert(c);
        ASSERT_EQ(is, was) << "mask " << mask << (on ? " on" : " off") << (b == Enable ? " enable" : " disable");
        runs++;
      }
  }
  EXPECT_GT(runs, 500);
}

// --- the state in the registry ------------------------------------------------

constexpr TRegKey kCurrentUser = 1;

TEST(AddonState, FirstStartCreatesTheKeyWithZero) {
  TMemoryRegistryStore store;
  TRegistry registry(store, kCurrentUser);
  EXPECT_FALSE(OpenAddonState(registry));
  auto* key = store.Key(kCurrentUser, "Software\\AFGold");
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->count("enabled"), 1u);
  EXPECT_EQ(key->at("enabled").Type, rdInteger);
  EXPECT_EQ(key->at("enabled").Data, std::vector<uint8_t>({0, 0, 0, 0}));
  // The accessor keeps the key open for the later reads and writes.
  TRegistryAddonState state(registry);
  state.WriteEnabled(true);
  EXPECT_EQ(key->at("enabled").Data, std::vector<uint8_t>({1, 0, 0, 0}));
  EXPECT_TRUE(state.ReadEnabled());
}

struct StoredValue {
  const char* name;
  bool present;
  uint32_t type;
  std::vector<uint8_t> data;
  bool startsOn;         // what start-up makes of it
  const char* readError; // nullptr: reads fine
};

TEST(AddonState, ReadsAndErrorTexts) {
  const StoredValue cases[] = {
      {"one", true, rdInteger, {1, 0, 0, 0}, true, nullptr},
      {"any non-zero number", true, rdInteger, {0, 0, 0, 0x80}, true, nullptr},
      {"zero", true, rdInteger, {0, 0, 0, 0}, false, nullptr},
      {"missing", false, 0, {}, false, "Failed to get data for 'Enabled'"},
      {"a short string", true, rdString, {'1', 0}, false, "Invalid data type for 'Enabled'"},
      {"binary of 4 bytes", true, rdBinary, {1, 0, 0, 0}, false, "Invalid data type for 'Enabled'"},
      {"longer than 4 bytes", true, rdString, {'o', 'n', ' ', 'y', 'e', 's', 0}, false,
       "Failed to get data for 'Enabled'"},
  };
  for (const StoredValue& c : cases) {
    SCOPED_TRACE(c.name);
    TMemoryRegistryStore store;
    TRegistry setup(store, kCurrentUser);
    ASSERT_TRUE(setup.OpenKey("Software\\AFGold", true));
    if (c.present) store.SetValue(setup.CurrentKey(), "Enabled", c.type, c.data.data(),
                                  static_cast<uint32_t>(c.data.size()));
    TRegistry registry(store, kCurrentUser);
    EXPECT_EQ(OpenAddonState(registry), c.startsOn);
    TRegistryAddonState state(registry);
    if (c.readError) {
      try {
        state.ReadEnabled();
        ADD_FAILURE() << "no error";
      } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message, c.readError);
      }
      // A failed read ends a switch before anything moves or is written.
      RecordingFiles files;
      files.present = {"rules.ini", "afgold.dat"};
      EXPECT_THROW(SwitchOn(files, state), ERegistryException);
      EXPECT_THROW(SwitchOff(files, state), ERegistryException);
      EXPECT_TRUE(files.log.empty());
      EXPECT_EQ(store.Key(kCurrentUser, "Software\\AFGold")->size(), c.present ? 1u : 0u);
    } else {
      EXPECT_EQ(state.ReadEnabled(), c.startsOn);
    }
  }
}

TEST(AddonState, RefusedWriteRaisesAfterTheMoves) {
  TMemoryRegistryStore store;
  TRegistry registry(store, kCurrentUser);
  OpenAddonState(registry);
  store.ReadOnly = true;
  TRegistryAddonState state(registry);
  RecordingFiles files;
  files.present = {"afgold.dat"};
  try {
    SwitchOn(files, state);
    ADD_FAILURE() << "no error";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message, "Failed to set data for 'Enabled'");
  }
  EXPECT_EQ(files.present, std::set<std::string>({"rules.ini"}));
  // Start-up swallows a key that cannot be created.
  TMemoryRegistryStore empty;
  empty.ReadOnly = true;
  TRegistry fresh(empty, kCurrentUser);
  EXPECT_FALSE(OpenAddonState(fresh));
}

TEST(AddonState, AccessorClosesItsKeys) {
  TMemoryRegistryStore store;
  {
    TRegistry registry(store, kCurrentUser);
    OpenAddonState(registry);
    EXPECT_EQ(store.OpenHandles(), 1);
    registry.OpenKey("Software\\AFGold", false);
    EXPECT_EQ(store.OpenHandles(), 1);
  }
  EXPECT_EQ(store.OpenHandles(), 0);
}

}  // namespace
