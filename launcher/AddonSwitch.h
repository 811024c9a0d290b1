// The add-on switch of AFGold: which game files are swapped with which
// add-on files, in which order, and how the on/off state is kept.
//
// Nothing here touches the platform directly. Files are reached through
// TFileOps (bare names, resolved against the current folder) and the state
// through TAddonState, so the sequences run natively against temporary
// folders and a fake registry, and under Windows against the real ones.
#pragma once

#include <string>

#include "toolkit/forms/Registry.h"

// File operations on bare names in the current folder.
class TFileOps {
public:
  virtual ~TFileOps() = default;
  // True when a file of that name exists and is not a folder.
  virtual bool Exists(const std::string& name) = 0;
  // Moves `from` to `to`. Never replaces: fails when `from` is missing or
  // `to` is taken. Returns whether the move happened.
  virtual bool Move(const std::string& from, const std::string& to) = 0;
};

// The host's file operations: renameat2 with RENAME_NOREPLACE (or link and
// unlink where the file system lacks it) on Linux, MoveFileA on Windows.
class THostFileOps : public TFileOps {
public:
  bool Exists(const std::string& name) override;
  bool Move(const std::string& from, const std::string& to) override;
};

// Where the add-on's on/off state is kept. Failures raise the store's error.
class TAddonState {
public:
  virtual ~TAddonState() = default;
  virtual bool ReadEnabled() = 0;  // any non-zero value is on
  virtual void WriteEnabled(bool on) = 0;
};

// One swapped file: the name the game reads, where the add-on's version lies
// while switched off, and where the game's own file lies while switched on.
struct TSwappedFile {
  const char* Game;
  const char* Addon;
  const char* Backup;
};
extern const TSwappedFile SwappedFiles[4];  // rules, art, title, theme

enum TSwitchResult { srSwitched, srAlreadyOn, srAlreadyOff };

// Switching on: backs up the game's files that exist (art, rules, title,
// theme), then moves the add-on's files in (rules, art, title, theme), then
// writes on. Failed moves are ignored; the state is written whatever they
// did. Already on: srAlreadyOn and nothing moves. A failing read raises
// before any file moves.
TSwitchResult SwitchOn(TFileOps& files, TAddonState& state);
// Switching off: stores the add-on's files away (rules, art, title, theme),
// then restores the backups that exist (art, rules, title, theme), then
// writes off. Already off: srAlreadyOff and nothing moves.
TSwitchResult SwitchOff(TFileOps& files, TAddonState& state);

// The state kept as the DWORD "Enabled" under HKEY_CURRENT_USER
// "Software\AFGold", through one registry accessor that stays open.
extern const char* const AddonKey;        // "Software\\AFGold"
extern const char* const AddonValueName;  // "Enabled"

class TRegistryAddonState : public TAddonState {
public:
  explicit TRegistryAddonState(TRegistry& registry) : FRegistry(registry) {}
  bool ReadEnabled() override;
  void WriteEnabled(bool on) override;

private:
  TRegistry& FRegistry;
};

// Start-up: opens the key without creating it; when that fails, creates it,
// opens it and writes "Enabled" = 0. Returns whether the add-on reads as on.
// Every error is swallowed and counts as off.
bool OpenAddonState(TRegistry& registry);
