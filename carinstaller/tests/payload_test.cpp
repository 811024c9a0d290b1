// Payload header checks and extraction against real temporary folders.
#include <gtest/gtest.h>

#include <cstring>

#include "fatal.h"
#include "fixtures.h"
#include "pack.h"
#include "payload.h"
#include "sys.h"

namespace {

namespace fs = std::filesystem;
using carfix::Pattern;
using carpack::Entry;

// The stub in front of the payload; a short one keeps the files small, and
// a non-zero one shows that the payload offset is honoured.
constexpr int64_t kStub = 100;

struct Installer {
    carfix::TempDir dir;
    fs::path file = dir.path() / "installer.bin";
    fs::path dest = dir.path() / "dest";
    Extraction x{};

    explicit Installer(const std::vector<uint8_t> &payload)
    {
        std::vector<uint8_t> bytes(kStub + payload.size(), 0xCC);
        std::copy(payload.begin(), payload.end(), bytes.begin() + kStub);
        carfix::WriteFile(file, bytes);
        fs::create_directory(dest);
    }
    ~Installer()
    {
        if (x.stream)
            fclose(x.stream);
    }
    int ReadHeader()
    {
        x.stream = SysOpen(file.string().c_str(), "rb");
        x.payload_offset = kStub;
        return PayloadReadHeader(&x);
    }
    int Extract(const std::string &folder, int *steps)
    {
        std::strcpy(x.dest, folder.c_str());
        *steps = 0;
        return PayloadExtract(&x, [](void *c) { ++*static_cast<int *>(c); }, steps);
    }
};

std::vector<uint8_t> Payload(uint32_t kind, const std::vector<Entry> &entries)
{
    return carpack::EncodePayload(kind, 26, entries);
}

TEST(PayloadExtract, WritesExactCopiesInTableOrder)
{
    struct Case {
        const char *name;
        std::vector<Entry> entries;
    } cases[] = {
        {"no entries", {}},
        {"empty entry", {{"empty.dat", {}}}},
        {"twelve-character name", {{"abcdefgh.ijk", Pattern(10, 1)}}},
        {"whole chunks", {{"a512.bin", Pattern(512, 2)}, {"a1024.bin", Pattern(1024, 3)}}},
        {"chunk plus one", {{"a513.bin", Pattern(513, 4)}}},
        {"shipped shape", {{"car.viv", Pattern(28141, 5)}, {"Lstm.qfs", Pattern(1391, 6)}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Installer in(Payload(1, c.entries));
        ASSERT_EQ(in.ReadHeader(), CORE_OK);
        EXPECT_EQ(in.x.header.count, static_cast<int32_t>(c.entries.size()));
        int steps = 0;
        ASSERT_EQ(in.Extract(in.dir.Logic("dest"), &steps), CORE_OK);
        EXPECT_EQ(steps, static_cast<int>(c.entries.size()));
        EXPECT_EQ(in.x.stream, nullptr);
        size_t files = 0;
        for (const Entry &e : c.entries) {
            EXPECT_EQ(carfix::ReadFile(in.dest / e.name), e.data) << e.name;
            files++;
        }
        EXPECT_EQ(static_cast<size_t>(std::distance(fs::directory_iterator(in.dest), {})), files);
    }
}

TEST(PayloadExtract, TrailingSeparatorMakesNoDifference)
{
    for (const char *suffix : {"", "\\"}) {
        Installer in(Payload(1, {{"one.bin", Pattern(700, 9)}}));
        ASSERT_EQ(in.ReadHeader(), CORE_OK);
        std::string folder = in.dir.Logic("dest");
        folder += suffix;
        int steps;
        ASSERT_EQ(in.Extract(folder, &steps), CORE_OK) << suffix;
        EXPECT_EQ(carfix::ReadFile(in.dest / "one.bin"), Pattern(700, 9));
    }
}

TEST(PayloadExtract, OverwritesExistingFiles)
{
    Installer in(Payload(1, {{"car.viv", Pattern(40, 1)}}));
    carfix::WriteFile(in.dest / "car.viv", Pattern(5000, 2));
    ASSERT_EQ(in.ReadHeader(), CORE_OK);
    int steps;
    ASSERT_EQ(in.Extract(in.dir.Logic("dest"), &steps), CORE_OK);
    EXPECT_EQ(carfix::ReadFile(in.dest / "car.viv"), Pattern(40, 1));
}

// A folder in the way stands for any output file that cannot be opened for
// writing (a read-only file cannot stop root, who runs these tests in CI).
TEST(PayloadExtract, UnwritableOutputStopsWithWriteError)
{
    Installer in(Payload(1, {{"first.bin", Pattern(10, 1)}, {"blocked", Pattern(10, 2)}}));
    fs::create_directory(in.dest / "blocked");
    ASSERT_EQ(in.ReadHeader(), CORE_OK);
    int steps;
    EXPECT_EQ(in.Extract(in.dir.Logic("dest"), &steps), FATAL_WRITE);
    EXPECT_EQ(steps, 1);
    EXPECT_EQ(carfix::ReadFile(in.dest / "first.bin"), Pattern(10, 1));
}

// The file shrinking after the header check still ends in a read error:
// the copy loop checks every chunk. The second entry is cut after 15,200 of
// its bytes, which holds 29 whole chunks of 512 (and 59 of 256).
TEST(PayloadExtract, DataEndingDuringCopyStopsWithReadError)
{
    Installer in(Payload(1, {{"a.bin", Pattern(600, 1)}, {"b.bin", Pattern(20000, 2)}}));
    ASSERT_EQ(in.ReadHeader(), CORE_OK);
    fs::resize_file(in.file, fs::file_size(in.file) - 4800);
    int steps;
    EXPECT_EQ(in.Extract(in.dir.Logic("dest"), &steps), FATAL_READ);
    EXPECT_EQ(steps, 1);
    EXPECT_EQ(carfix::ReadFile(in.dest / "a.bin"), Pattern(600, 1));
    std::vector<uint8_t> whole_chunks = Pattern(20000, 2);
    whole_chunks.resize(29 * 512);
    EXPECT_EQ(carfix::ReadFile(in.dest / "b.bin"), whole_chunks);
}

TEST(PayloadHeader, KindSerialAndCount)
{
    Installer in(carpack::EncodePayload(2, 0xDEADBEEF, {{"x", {1, 2, 3}}}));
    ASSERT_EQ(in.ReadHeader(), CORE_OK);
    EXPECT_EQ(in.x.header.kind, 2u);
    EXPECT_EQ(in.x.header.serial, 0xDEADBEEFu);
    EXPECT_EQ(in.x.header.count, 1);
    EXPECT_EQ(in.x.table_pos, kStub + 12);
}

std::vector<uint8_t> WithNegativeSize()
{
    std::vector<uint8_t> p = Payload(1, {{"a.bin", Pattern(10, 1)}});
    p[12 + 3] = 0x80;
    return p;
}

std::vector<uint8_t> Cut(std::vector<uint8_t> p, size_t keep)
{
    p.resize(keep);
    return p;
}

// Damaged payloads are refused before anything is written or any folder made.
TEST(PayloadHeader, DamagedPayloadsAreRefusedUpFront)
{
    std::vector<uint8_t> two = Payload(1, {{"a.bin", Pattern(10, 1)}, {"b.bin", Pattern(10, 2)}});
    struct Case {
        const char *name;
        std::vector<uint8_t> payload;
        int code;
    } cases[] = {
        {"nothing after the stub", {}, FATAL_READ},
        {"ends inside the header", Cut(two, 7), FATAL_READ},
        {"ends inside the table", Cut(two, 12 + 16 + 5), FATAL_READ},
        {"ends inside the data", Cut(two, two.size() - 1), FATAL_READ},
        {"negative entry size", WithNegativeSize(), FATAL_READ},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Installer in(c.payload);
        EXPECT_EQ(in.ReadHeader(), c.code);
    }
    // A count far beyond the table must not be trusted.
    std::vector<uint8_t> huge = Payload(1, {});
    huge[8] = huge[9] = huge[10] = 0xFF, huge[11] = 0x7F;
    Installer in(huge);
    EXPECT_EQ(in.ReadHeader(), FATAL_READ);
}

TEST(PayloadHeader, NamesThatLeaveTheFolderAreRefused)
{
    const char *bad[] = {"", ".", "..", "..\\car.viv", "a/b", "c:car.viv", "x\tname",
                         "CON", "nul.txt", "Aux", "com1", "LPT9.dat", "COM0", "CONOUT$",
                         // Windows drops the blanks and dots before the
                         // extension and still opens the device.
                         "NUL ", "nul .txt", "CON.", "prn  .dat", "aux. ",
                         // superscript one, two and three in code page 1252
                         "COM\xB9", "lpt\xB2", "Com\xB3.txt", "LPT\xB9 .x"};
    for (const char *name : bad) {
        SCOPED_TRACE(name);
        Installer in(Payload(1, {{"ok.bin", {1}}, {name, {2}}}));
        EXPECT_EQ(in.ReadHeader(), FATAL_BAD_NAME);
        EXPECT_TRUE(fs::is_empty(in.dest));
    }
    const char *good[] = {"car.viv", "nulish", "console.txt", "com10", "...a", "x y.bin",
                          " nul", "nul_.txt", "COM\xB4", "lpt\xB9\xB9", "conin"};
    for (const char *name : good)
        EXPECT_TRUE(PayloadNameIsSafe(name)) << name;
}

TEST(FatalText, CodesAndTexts)
{
    EXPECT_STREQ(FatalText(FATAL_MODULE_HANDLE), "Fatal: Cannot get module handle.");
    EXPECT_STREQ(FatalText(FATAL_OPEN_EXE), "Fatal: Can't open EXE.");
    EXPECT_STREQ(FatalText(FATAL_NO_GAME), "Fatal: Cannot find Roadfire installation.");
    EXPECT_STREQ(FatalText(FATAL_CREATE_FOLDER), "Fatal: Cannot create car folder.");
    EXPECT_STREQ(FatalText(FATAL_EXE_NAME), "Fatal: Cannot get EXE filename.");
    EXPECT_STREQ(FatalText(FATAL_NO_CAR), "Fatal: Must install car before installing showcase.");
    EXPECT_STREQ(FatalText(FATAL_WRITE), "Fatal: During extract data write.");
    EXPECT_STREQ(FatalText(FATAL_READ), "Fatal: During extract data read.");
    EXPECT_STREQ(FatalText(FATAL_CREATE_DIALOG), "Fatal: Create Dialog failed.");
    EXPECT_STREQ(FatalText(FATAL_REGISTER_CLASS), "Fatal: Register class failed.");
    EXPECT_STREQ(FatalText(FATAL_BAD_NAME), "Fatal: Bad file name in payload.");
    EXPECT_STREQ(FatalText(FATAL_PATH_TOO_LONG), "Fatal: Path too long.");
    EXPECT_STREQ(FatalText(FATAL_THREAD), "Fatal: Cannot start install thread.");
}

}  // namespace
