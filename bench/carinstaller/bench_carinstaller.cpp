// Extraction of a 210 MB payload against `cp` of the same bytes, both from a
// warm cache into a fresh folder; prints medians and the ratio with its
// target. The two alternate in which goes first, and dirty pages are written
// back (untimed) before each run, so neither pays for the other's writes.
// On a shared machine the wall time mostly measures the wait for a CPU, so
// the CPU time each side used is printed beside it.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

extern char **environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 21;
constexpr double kTarget = 1.10;
constexpr size_t kEntrySize = 50u << 20;
constexpr int kEntries = 4;

struct Times {
    double wall, cpu;
};

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double CpuSeconds(const struct rusage &u)
{
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double SelfCpu()
{
    struct rusage u;
    getrusage(RUSAGE_SELF, &u);
    return CpuSeconds(u);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

Times TimeExtraction(const fs::path &installer, const fs::path &dest)
{
    Extraction *x = static_cast<Extraction *>(calloc(1, sizeof(Extraction)));
    sync();
    double cpu = SelfCpu();
    auto start = Clock::now();
    if (PayloadOpen(x, installer.string().c_str(), PAYLOAD_OFFSET) != 0 || PayloadReadHeader(x) != 0)
        std::exit(1);
    std::strcpy(x->dest, dest.string().c_str());
    if (PayloadExtract(x, nullptr, nullptr) != 0)
        std::exit(1);
    Times t{Seconds(start), SelfCpu() - cpu};
    free(x);
    return t;
}

// cp started directly (no shell), timed from start to exit.
Times TimeCopy(const fs::path &from, const fs::path &dest)
{
    std::string src = from.string(), dst = (dest / "copy.bin").string();
    char *argv[] = {const_cast<char *>("cp"), src.data(), dst.data(), nullptr};
    sync();
    auto start = Clock::now();
    pid_t pid;
    int status = 0;
    struct rusage u;
    if (posix_spawnp(&pid, "cp", nullptr, nullptr, argv, environ) != 0 ||
        wait4(pid, &status, 0, &u) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::exit(1);
    return {Seconds(start), CpuSeconds(u)};
}

Times Medians(const std::vector<Times> &runs)
{
    std::vector<double> wall, cpu;
    for (const Times &t : runs) {
        wall.push_back(t.wall);
        cpu.push_back(t.cpu);
    }
    return {Median(wall), Median(cpu)};
}

void Report(const char *what, Times t, double mb)
{
    std::printf("%-56s median %.3f s (%4.0f MB/s), CPU %.3f s\n", what, t.wall, mb / t.wall, t.cpu);
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

    std::vector<Times> extract, copy;
    for (int round = 0; round < kRounds; round++) {
        fs::path a = dir.path() / ("x" + std::to_string(round));
        fs::path b = dir.path() / ("c" + std::to_string(round));
        fs::create_directory(a);
        fs::create_directory(b);
        if (round % 2 == 0) {
            extract.push_back(TimeExtraction(installer, a));
            copy.push_back(TimeCopy(plain, b));
        } else {
            copy.push_back(TimeCopy(plain, b));
            extract.push_back(TimeExtraction(installer, a));
        }
        fs::remove_all(a);
        fs::remove_all(b);
    }
    double mb = kEntrySize * kEntries / 1e6;
    Times e = Medians(extract), c = Medians(copy);
    char what[64];
    std::snprintf(what, sizeof what, "payload extraction (%.0f MB, %d entries, %d KB reads):", mb, kEntries,
                  PAYLOAD_COPY_BUFFER / 1024);
    Report(what, e, mb);
    Report("cp of the same bytes:", c, mb);
    std::printf("ratio extraction / cp: %.2f (target %.2f or less), CPU time %.2f; %d interleaved rounds\n",
                e.wall / c.wall, kTarget, e.cpu / c.cpu, kRounds);
    return 0;
}
