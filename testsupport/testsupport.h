// Temporary folders and whole files for tests, on every build.
#ifndef TESTSUPPORT_H
#define TESTSUPPORT_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with its
// contents (read-only files included) at the end of the scope.
class TempDir {
public:
    explicit TempDir(const std::string &prefix = "test");
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const fs::path &path() const { return path_; }
    fs::path operator/(const fs::path &p) const { return path_ / p; }

private:
    fs::path path_;
};

// Creates the parent folders; throws std::runtime_error on failure.
void WriteFile(const fs::path &path, const std::vector<uint8_t> &bytes);
std::vector<uint8_t> ReadFile(const fs::path &path);

// Reproducible pseudo-random bytes.
std::vector<uint8_t> Pattern(size_t size, uint32_t seed);

}  // namespace testsupport

#endif
