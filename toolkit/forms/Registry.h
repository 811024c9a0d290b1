// The registry accessor: one current key, opened or created below a root,
// with REG_DWORD reads and writes that raise ERegistryException with the
// toolkit's texts. The registry itself is reached through TRegistryStore:
// the Windows one (toolkit/win32, TWinRegistryStore) or an in-memory one
// (TMemoryRegistryStore) for tests.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/base/Classes.h"

class ERegistryException : public Exception { using Exception::Exception; };

extern const char* const SRegGetDataFailed;  // "Failed to get data for '%s'"
extern const char* const SRegSetDataFailed;  // "Failed to set data for '%s'"
extern const char* const SInvalidRegType;    // "Invalid data type for '%s'"

using TRegKey = std::uintptr_t;  // an open key of the store; 0 is none

// Value types as the platform numbers them.
constexpr std::uint32_t rdString = 1;  // REG_SZ
constexpr std::uint32_t rdBinary = 3;  // REG_BINARY
constexpr std::uint32_t rdInteger = 4; // REG_DWORD

// Raw registry operations, shaped like the platform's.
class TRegistryStore {
public:
  virtual ~TRegistryStore() = default;
  // Opens an existing key below `parent` (a root or an open key); false when
  // it does not exist or cannot be opened.
  virtual bool OpenKey(TRegKey parent, const std::string& path, TRegKey& key) = 0;
  // Opens the key, creating it (and its parents) when missing.
  virtual bool CreateKey(TRegKey parent, const std::string& path, TRegKey& key) = 0;
  virtual void CloseKey(TRegKey key) = 0;
  // Reads a value into `data` of `size` bytes. False when the value is
  // missing, unreadable or longer than `size`; otherwise sets `type` and
  // `size` to the value's.
  virtual bool QueryValue(TRegKey key, const std::string& name, std::uint32_t& type,
                          void* data, std::uint32_t& size) = 0;
  virtual bool SetValue(TRegKey key, const std::string& name, std::uint32_t type,
                        const void* data, std::uint32_t size) = 0;
};

// The accessor. Owns the current key and closes it when it changes or the
// accessor goes.
class TRegistry : public TObject {
public:
  TRegistry(TRegistryStore& store, TRegKey root) : FStore(store), FRootKey(root) {}
  ~TRegistry() override { CloseKey(); }
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;
  const char* ClassName() const override { return "TRegistry"; }

  TRegKey RootKey() const { return FRootKey; }
  TRegKey CurrentKey() const { return FCurrentKey; }
  // Makes `path` (below the root) the current key; with canCreate false a
  // missing key fails. Returns whether it succeeded.
  bool OpenKey(const std::string& path, bool canCreate);
  // Creates `path` below the root without making it current.
  bool CreateKey(const std::string& path);
  void CloseKey();

  // Raises "Failed to get data for '<name>'" when the value is missing,
  // unreadable or longer than 4 bytes, "Invalid data type for '<name>'" when
  // it is not a REG_DWORD.
  std::int32_t ReadInteger(const std::string& name);
  // Raises "Failed to set data for '<name>'" when the write is refused.
  void WriteInteger(const std::string& name, std::int32_t value);

private:
  TRegistryStore& FStore;
  TRegKey FRootKey;
  TRegKey FCurrentKey = 0;
};

// A registry held in memory, for tests. Roots are any non-zero numbers;
// keys are paths; values can be made to refuse writes.
class TMemoryRegistryStore : public TRegistryStore {
public:
  struct TValue {
    std::uint32_t Type = rdInteger;
    std::vector<std::uint8_t> Data;
  };
  bool OpenKey(TRegKey parent, const std::string& path, TRegKey& key) override;
  bool CreateKey(TRegKey parent, const std::string& path, TRegKey& key) override;
  void CloseKey(TRegKey key) override;
  bool QueryValue(TRegKey key, const std::string& name, std::uint32_t& type, void* data,
                  std::uint32_t& size) override;
  bool SetValue(TRegKey key, const std::string& name, std::uint32_t type, const void* data,
                std::uint32_t size) override;

  // Test access by root and path ("Software\\AFGold").
  std::map<std::string, TValue>* Key(TRegKey root, const std::string& path);
  bool ReadOnly = false;  // SetValue and CreateKey fail
  int OpenHandles() const { return static_cast<int>(FOpen.size()); }

private:
  std::string FullPath(TRegKey parent, const std::string& path) const;
  std::map<std::string, std::map<std::string, TValue>> FKeys;  // "root\\path" in lower case
  std::map<TRegKey, std::string> FOpen;
  TRegKey FNext = 0x1000;
};
