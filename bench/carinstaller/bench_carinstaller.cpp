// Extraction of a 200 MB payload against `cp` of the same bytes, both from a
// warm cache into the same folder; prints medians and the ratio.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fixtures.h"
#include "pack.h"
#include "payload.h"
#include "sys.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRuns = 7;
constexpr size_t kEntrySize = 50u << 20;
constexpr int kEntries = 4;

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double TimeExtraction(const fs::path &installer, const fs::path &dest)
{
    Extraction *x = static_cast<Extraction *>(calloc(1, sizeof(Extraction)));
    auto start = Clock::now();
    if (PayloadOpen(x, installer.string().c_str(), PAYLOAD_OFFSET) != 0 || PayloadReadHeader(x) != 0)
        std::exit(1);
    std::strcpy(x->dest, dest.string().c_str());
    if (PayloadExtract(x, nullptr, nullptr) != 0)
        std::exit(1);
    double s = Seconds(start);
    free(x);
    return s;
}

double TimeCopy(const fs::path &from, const fs::path &dest)
{
    std::string command = "cp '" + from.string() + "' '" + (dest / "copy.bin").string() + "'";
    auto start = Clock::now();
    if (std::system(command.c_str()) != 0)
        std::exit(1);
    return Seconds(start);
}

}  // namespace

int main()
{
    carfix::TempDir dir;
    fs::path installer = dir.path() / "installer.exe";
    fs::path plain = dir.path() / "plain.bin";
    std::vector<carpack::Entry> entries;
    for (int i = 0; i < kEntries; i++)
        entries.push_back({"part" + std::to_string(i) + ".bin", carfix::Pattern(kEntrySize, i + 1)});
    std::vector<uint8_t> bytes(PAYLOAD_OFFSET, 0);
    std::vector<uint8_t> payload = carpack::EncodePayload(1, 26, entries);
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    carfix::WriteFile(installer, bytes);
    entries.clear();
    bytes.assign(bytes.begin() + PAYLOAD_OFFSET, bytes.end());
    carfix::WriteFile(plain, bytes);  // the same bytes, for cp
    bytes.clear();

    std::vector<double> extract, copy;
    for (int run = 0; run < kRuns; run++) {
        fs::path a = dir.path() / ("x" + std::to_string(run));
        fs::path b = dir.path() / ("c" + std::to_string(run));
        fs::create_directory(a);
        fs::create_directory(b);
        extract.push_back(TimeExtraction(installer, a));
        copy.push_back(TimeCopy(plain, b));
        fs::remove_all(a);
        fs::remove_all(b);
    }
    double e = Median(extract), c = Median(copy);
    double mb = kEntrySize * kEntries / 1e6;
    std::printf("payload extraction (%.0f MB, %d entries, 512-byte chunks, 256 KB at a time): median %.3f s (%.0f MB/s)\n", mb,
                kEntries, e, mb / e);
    std::printf("cp of the same bytes:                                                  median %.3f s (%.0f MB/s)\n", c, mb / c);
    std::printf("ratio extraction / cp: %.2f (target 1.3 or less), %d runs each\n", e / c, kRuns);
    return 0;
}
