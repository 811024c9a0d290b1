// The Windows registry as a TRegistryStore: keys opened and created with
// full access, roots given as HKEY values (TRegKey(HKEY_CURRENT_USER)).
#pragma once

#include <windows.h>

#include "toolkit/forms/Registry.h"

class TWinRegistryStore : public TRegistryStore {
public:
  bool OpenKey(TRegKey parent, const std::string& path, TRegKey& key) override;
  bool CreateKey(TRegKey parent, const std::string& path, TRegKey& key) override;
  void CloseKey(TRegKey key) override;
  bool QueryValue(TRegKey key, const std::string& name, std::uint32_t& type, void* data,
                  std::uint32_t& size) override;
  bool SetValue(TRegKey key, const std::string& name, std::uint32_t type, const void* data,
                std::uint32_t size) override;
};

inline TRegKey RegRoot(HKEY root) { return reinterpret_cast<TRegKey>(root); }
