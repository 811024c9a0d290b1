#include "SampleData.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "InstallFlow.h"
#include "ZLBHost.h"

namespace installmaven {

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return std::vector<std::uint8_t>(text.begin(), text.end()); }

// A 4 x 4 bitmap of 24 bits per pixel: file header, info header, rows.
std::vector<std::uint8_t> SampleBitmap() {
  std::vector<std::uint8_t> b = {'B', 'M', 102, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 4, 0, 0, 0, 4, 0, 0, 0,
                                 1,   0,   24,  0, 0, 0, 0, 0, 48, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (int y = 0; y < 4; y++)
    for (int x = 0; x < 4; x++) b.insert(b.end(), {static_cast<std::uint8_t>(x * 60), static_cast<std::uint8_t>(y * 60), 160});
  return b;
}

void Write(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

}  // namespace

std::vector<std::uint8_t> SampleEntry(int index, const std::vector<std::uint8_t>& mavenExe) {
  switch (index) {
    case 0: return mavenExe;
    case 1: return Bytes("Maven help library (sample stand-in)\r\n");
    case 2:
      return Bytes("MAVEN 2.5 - TERMS OF USE\r\n\r\nThis is the sample package of the installer; "
                   "the real package carries Maven's own terms.\r\n");
    case 3: return {'P', 'K', 5, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // an empty zip
    case 4: return Bytes("name=Original rules\r\ninfo=original rules.txt\r\nrules.ini=rules.ini\r\n");
    case 5: return Bytes("The rules Ashfall ships with, kept so that they can be put back.\r\n");
    case 6: return SampleBitmap();
    case 7: {
      std::string rules = "; Ashfall rules (sample)\r\n[General]\r\n";
      for (int i = 0; i < 40; i++) rules += "Setting" + std::to_string(i) + "=" + std::to_string(i * 7 % 13) + "\r\n";
      return Bytes(rules);
    }
    default: throw std::out_of_range("sample entry index");
  }
}

void WriteSampleSources(const std::string& root, const std::vector<std::uint8_t>& mavenExe) {
  std::filesystem::path maven = zlbhost::HostName(root + "\\Maven");
  for (int i = 0; i < 8; i++) Write(maven / zlbhost::HostName(DeveloperFiles[i]), SampleEntry(i, mavenExe));
}

void BuildSampleDataFile(const std::string& root, const std::string& dataFile, const std::vector<std::uint8_t>& mavenExe) {
  WriteSampleSources(root, mavenExe);
  std::filesystem::path old = std::filesystem::current_path();
  std::filesystem::current_path(zlbhost::HostName(root + "\\Maven"));
  try {
    TZLBArchive archive(nullptr);
    archive.SetCompressionLevel(fcMaximum);
    BuildDataFile(archive, dataFile);
  } catch (...) {
    std::filesystem::current_path(old);
    throw;
  }
  std::filesystem::current_path(old);
}

}  // namespace installmaven
