// Moves that never replace, through the toolkit's host file layer.
#include "launcher/AddonSwitch.h"

#include "toolkit/base/HostFiles.h"

bool THostFileOps::Exists(const std::string& name) { return hostfiles::FileExists(name); }

bool THostFileOps::Move(const std::string& from, const std::string& to) {
  return hostfiles::MoveNoReplace(from, to);
}
