// SampleData.h - the eight files of a sample "InstallMaven.dat", for
// trying the installer out and for its tests: small generated stand-ins
// for Maven's files, laid out as the developer mode expects them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ZLIBArchive.h"

namespace installmaven {

// The contents of sample entry `index` (0..7, EntryNames order); entry 0,
// "Maven.exe", is `mavenExe`.
std::vector<std::uint8_t> SampleEntry(int index, const std::vector<std::uint8_t>& mavenExe);

// Writes the eight files below `root` (a system name): root\Maven\ holds
// the program files and root\Rules\Distrib\ the rules files.
void WriteSampleSources(const std::string& root, const std::vector<std::uint8_t>& mavenExe);

// Writes the sources below `root`, then builds `dataFile` (a system name)
// from them with the developer mode's calls at fcMaximum. The working
// folder is restored afterwards.
void BuildSampleDataFile(const std::string& root, const std::string& dataFile,
                         const std::vector<std::uint8_t>& mavenExe);

}  // namespace installmaven
