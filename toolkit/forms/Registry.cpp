#include "toolkit/forms/Registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>

const char* const SRegGetDataFailed = "Failed to get data for '%s'";
const char* const SRegSetDataFailed = "Failed to set data for '%s'";
const char* const SInvalidRegType = "Invalid data type for '%s'";

bool TRegistry::OpenKey(const std::string& path, bool canCreate) {
  TRegKey key = 0;
  bool ok = canCreate ? FStore.CreateKey(FRootKey, path, key) : FStore.OpenKey(FRootKey, path, key);
  if (!ok) return false;
  CloseKey();
  FCurrentKey = key;
  return true;
}

bool TRegistry::CreateKey(const std::string& path) {
  TRegKey key = 0;
  if (!FStore.CreateKey(FRootKey, path, key)) return false;
  FStore.CloseKey(key);
  return true;
}

void TRegistry::CloseKey() {
  if (FCurrentKey) FStore.CloseKey(FCurrentKey);
  FCurrentKey = 0;
}

std::int32_t TRegistry::ReadInteger(const std::string& name) {
  std::uint8_t data[4] = {};
  std::uint32_t type = 0, size = sizeof data;
  if (!FCurrentKey || !FStore.QueryValue(FCurrentKey, name, type, data, size))
    throw ERegistryException(FormatMessage1(SRegGetDataFailed, name));
  if (type != rdInteger) throw ERegistryException(FormatMessage1(SInvalidRegType, name));
  std::uint32_t v = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
  return static_cast<std::int32_t>(v);
}

void TRegistry::WriteInteger(const std::string& name, std::int32_t value) {
  std::uint32_t v = static_cast<std::uint32_t>(value);
  std::uint8_t data[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                          static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
  if (!FCurrentKey || !FStore.SetValue(FCurrentKey, name, rdInteger, data, sizeof data))
    throw ERegistryException(FormatMessage1(SRegSetDataFailed, name));
}

// --- in memory --------------------------------------------------------------

static std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string TMemoryRegistryStore::FullPath(TRegKey parent, const std::string& path) const {
  auto open = FOpen.find(parent);
  std::string base = open != FOpen.end() ? open->second : std::to_string(parent);
  return path.empty() ? base : base + "\\" + Lower(path);
}

bool TMemoryRegistryStore::OpenKey(TRegKey parent, const std::string& path, TRegKey& key) {
  std::string full = FullPath(parent, path);
  if (!FKeys.count(full)) return false;
  key = FNext++;
  FOpen[key] = full;
  return true;
}

bool TMemoryRegistryStore::CreateKey(TRegKey parent, const std::string& path, TRegKey& key) {
  std::string full = FullPath(parent, path);
  if (!FKeys.count(full)) {
    if (ReadOnly) return false;
    FKeys[full];
  }
  key = FNext++;
  FOpen[key] = full;
  return true;
}

void TMemoryRegistryStore::CloseKey(TRegKey key) { FOpen.erase(key); }

bool TMemoryRegistryStore::QueryValue(TRegKey key, const std::string& name, std::uint32_t& type,
                                      void* data, std::uint32_t& size) {
  auto open = FOpen.find(key);
  if (open == FOpen.end()) return false;
  auto& values = FKeys[open->second];
  auto v = values.find(Lower(name));
  if (v == values.end() || v->second.Data.size() > size) return false;
  type = v->second.Type;
  size = static_cast<std::uint32_t>(v->second.Data.size());
  if (size) std::memcpy(data, v->second.Data.data(), size);
  return true;
}

bool TMemoryRegistryStore::SetValue(TRegKey key, const std::string& name, std::uint32_t type,
                                    const void* data, std::uint32_t size) {
  auto open = FOpen.find(key);
  if (open == FOpen.end() || ReadOnly) return false;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  FKeys[open->second][Lower(name)] = TValue{type, std::vector<std::uint8_t>(bytes, bytes + size)};
  return true;
}

std::map<std::string, TMemoryRegistryStore::TValue>* TMemoryRegistryStore::Key(TRegKey root,
                                                                               const std::string& path) {
  auto k = FKeys.find(std::to_string(root) + "\\" + Lower(path));
  return k == FKeys.end() ? nullptr : &k->second;
}
