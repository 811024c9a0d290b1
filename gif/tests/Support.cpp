#include "Support.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

TLoadResult LoadInto(TGIFImage& image, const Bytes& data) {
  TLoadResult r;
  image.OnWarning = [&r](TObject*, TGIFSeverity s, const std::string& m) { r.Warnings.push_back({s, m}); };
  TMemoryStream s(data.data(), data.size());
  try {
    image.LoadFromStream(s);
    r.Ok = true;
  } catch (const GIFException& e) {
    r.Error = e.Message;
  }
  r.PositionAfter = s.Position();
  image.OnWarning = nullptr;
  return r;
}

Bytes ReadFileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) { return fs::exists(path); }

std::string CorpusDir() {
  if (const char* env = std::getenv("GIF_CORPUS_DIR"))
    if (fs::is_directory(env)) return env;
#ifdef GIF_CORPUS_DEFAULT
  if (fs::is_directory(GIF_CORPUS_DEFAULT)) return GIF_CORPUS_DEFAULT;
#endif
  return "";
}

std::vector<std::string> ListGIFs(const std::string& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file() && e.path().extension() == ".gif") out.push_back(e.path().string());
  std::sort(out.begin(), out.end());
  return out;
}

bool RunShell(const std::string& command) { return std::system(command.c_str()) == 0; }
