#include "toolkit/win32/Registry.h"

namespace {
HKEY Key(TRegKey k) { return reinterpret_cast<HKEY>(k); }
}  // namespace

bool TWinRegistryStore::OpenKey(TRegKey parent, const std::string& path, TRegKey& key) {
  HKEY k = nullptr;
  if (RegOpenKeyExA(Key(parent), path.c_str(), 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS) return false;
  key = reinterpret_cast<TRegKey>(k);
  return true;
}

bool TWinRegistryStore::CreateKey(TRegKey parent, const std::string& path, TRegKey& key) {
  HKEY k = nullptr;
  if (RegCreateKeyExA(Key(parent), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &k,
                      nullptr) != ERROR_SUCCESS)
    return false;
  key = reinterpret_cast<TRegKey>(k);
  return true;
}

void TWinRegistryStore::CloseKey(TRegKey key) { RegCloseKey(Key(key)); }

bool TWinRegistryStore::QueryValue(TRegKey key, const std::string& name, std::uint32_t& type, void* data,
                                   std::uint32_t& size) {
  DWORD t = 0, n = size;
  if (RegQueryValueExA(Key(key), name.c_str(), nullptr, &t, static_cast<BYTE*>(data), &n) != ERROR_SUCCESS)
    return false;
  type = t;
  size = n;
  return true;
}

bool TWinRegistryStore::SetValue(TRegKey key, const std::string& name, std::uint32_t type, const void* data,
                                 std::uint32_t size) {
  return RegSetValueExA(Key(key), name.c_str(), 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}
