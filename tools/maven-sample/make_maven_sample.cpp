// Builds a sample "InstallMaven.dat": eight small generated files, with
// MAVEN_EXE as its "Maven.exe", put together with the installer's
// developer-mode calls.
//
// Usage: make_maven_sample OUT.dat MAVEN_EXE
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "SampleData.h"
#include "ZLBHost.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_maven_sample OUT.dat MAVEN_EXE\n");
    return 2;
  }
  std::ifstream in(argv[2], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "make_maven_sample: cannot read %s\n", argv[2]);
    return 1;
  }
  std::vector<std::uint8_t> exe((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string pattern = (fs::temp_directory_path() / "maven-sample-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    std::perror("make_maven_sample: temporary folder");
    return 1;
  }
  fs::path work = pattern;
  int status = 0;
  try {
    fs::path out = fs::absolute(argv[1]);
    fs::remove(out);
    installmaven::BuildSampleDataFile(zlbhost::SystemName(work.string()), zlbhost::SystemName(out.string()), exe);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_maven_sample: %s\n", e.what());
    status = 1;
  }
  std::error_code ec;
  fs::remove_all(work, ec);
  return status;
}
