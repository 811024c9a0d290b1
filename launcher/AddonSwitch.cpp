#include "launcher/AddonSwitch.h"

const TSwappedFile SwappedFiles[4] = {
    {"rules.ini", "afgold.dat", "temprules.ini"},
    {"art.ini", "afart.dat", "tempart.ini"},
    {"title.pcx", "aftitle.dat", "temptitle.pcx"},
    {"theme.ini", "afmusic.dat", "themetemp.ini"},
};

namespace {
enum { kRules, kArt, kTitle, kTheme };
// The backups go and come back art first; the add-on's files rules first.
const int kBackupOrder[4] = {kArt, kRules, kTitle, kTheme};
const int kAddonOrder[4] = {kRules, kArt, kTitle, kTheme};
}  // namespace

TSwitchResult SwitchOn(TFileOps& files, TAddonState& state) {
  if (state.ReadEnabled()) return srAlreadyOn;
  for (int i : kBackupOrder) {
    const TSwappedFile& f = SwappedFiles[i];
    if (files.Exists(f.Game)) files.Move(f.Game, f.Backup);
  }
  for (int i : kAddonOrder) files.Move(SwappedFiles[i].Addon, SwappedFiles[i].Game);
  state.WriteEnabled(true);
  return srSwitched;
}

TSwitchResult SwitchOff(TFileOps& files, TAddonState& state) {
  if (!state.ReadEnabled()) return srAlreadyOff;
  for (int i : kAddonOrder) files.Move(SwappedFiles[i].Game, SwappedFiles[i].Addon);
  for (int i : kBackupOrder) {
    const TSwappedFile& f = SwappedFiles[i];
    if (files.Exists(f.Backup)) files.Move(f.Backup, f.Game);
  }
  state.WriteEnabled(false);
  return srSwitched;
}

const char* const AddonKey = "Software\\AFGold";
const char* const AddonValueName = "Enabled";

bool TRegistryAddonState::ReadEnabled() { return FRegistry.ReadInteger(AddonValueName) != 0; }

void TRegistryAddonState::WriteEnabled(bool on) { FRegistry.WriteInteger(AddonValueName, on ? 1 : 0); }

bool OpenAddonState(TRegistry& registry) {
  try {
    if (!registry.OpenKey(AddonKey, false)) {
      registry.CreateKey(AddonKey);
      registry.OpenKey(AddonKey, false);
      registry.WriteInteger(AddonValueName, 0);
    }
    return registry.ReadInteger(AddonValueName) != 0;
  } catch (const Exception&) {
    return false;
  }
}
