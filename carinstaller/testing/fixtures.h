// Test fixtures for the car installer: temporary folders, files, and car
// archives with a directory like the game's, carrying a serial number.
#ifndef CARINSTALLER_FIXTURES_H
#define CARINSTALLER_FIXTURES_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "testsupport.h"

namespace carfix {

namespace fs = std::filesystem;

using testsupport::Pattern;
using testsupport::ReadFile;
using testsupport::WriteFile;

// A temporary folder that also names its paths the way the installer's
// logic takes them: backslash-separated on Windows, the host form elsewhere.
class TempDir : public testsupport::TempDir {
public:
    TempDir() : testsupport::TempDir("carfix") {}
    std::string Logic(const fs::path &below = {}) const;
};

struct Member {
    std::string name;
    std::vector<uint8_t> data;
};

// A car archive: "BIGF", archive size, member count and header length as
// big-endian words, then the directory (offset, size, name) and the data.
std::vector<uint8_t> CarArchive(const std::vector<Member> &members);

// A "fedata.eng" member whose byte 798 holds serial (little-endian).
Member SerialMember(uint32_t serial, const std::string &name = "fedata.eng", size_t size = 1200);

// A car archive of a car with this serial: a model member, then the serial.
std::vector<uint8_t> CarArchiveWithSerial(uint32_t serial);

// Makes game/<cars_folder>/<car>/car.viv for a car with this serial.
void InstallCar(const fs::path &game, const std::string &cars_folder, const std::string &car,
                uint32_t serial);

}  // namespace carfix

#endif
