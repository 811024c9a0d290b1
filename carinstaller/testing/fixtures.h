// Test fixtures for the car installer: temporary folders, files, and car
// archives with a directory like the game's, carrying a serial number.
#ifndef CARINSTALLER_FIXTURES_H
#define CARINSTALLER_FIXTURES_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace carfix {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with its
// contents (read-only files included) at the end of the scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const fs::path &path() const { return path_; }
    // The folder (or a path below it) in the form the installer's logic
    // takes: backslash-separated on Windows, the host form elsewhere.
    std::string Logic(const fs::path &below = {}) const;

private:
    fs::path path_;
};

std::vector<uint8_t> Pattern(size_t size, uint32_t seed);
void WriteFile(const fs::path &path, const std::vector<uint8_t> &bytes);
std::vector<uint8_t> ReadFile(const fs::path &path);

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
