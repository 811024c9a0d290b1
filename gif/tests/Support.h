// Helpers shared by the GIF tests.
#pragma once

#include "gif/GIFImage.h"

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

struct TWarn {
  TGIFSeverity Severity;
  std::string Message;
  bool operator==(const TWarn& o) const { return Severity == o.Severity && Message == o.Message; }
};

// The outcome of loading bytes into a fresh image.
struct TLoadResult {
  bool Ok = false;
  std::string Error;               // the exception's text when !Ok
  std::vector<TWarn> Warnings;
  std::int64_t PositionAfter = 0;  // stream position after the load
};

TLoadResult LoadInto(TGIFImage& image, const Bytes& data);

Bytes ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);

// The peer corpus folder (…/shared/corpus/gif), or "" when it is absent.
std::string CorpusDir();

// Every *.gif below `dir`, sorted.
std::vector<std::string> ListGIFs(const std::string& dir);

// Runs a shell command; true when it exits 0.
bool RunShell(const std::string& command);
