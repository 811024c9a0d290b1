// Finding an installed car by its serial number and making new car folders,
// against real temporary game folders.
#include <gtest/gtest.h>

#include <cstring>

#include "cars.h"
#include "fatal.h"
#include "fixtures.h"

namespace {

namespace fs = std::filesystem;
using carfix::CarArchive;
using carfix::Member;
using carfix::Pattern;
using carfix::SerialMember;

constexpr uint32_t kSerial = 26;

struct Lookup {
    uint32_t offset = 0, size = 0;
};

Lookup LookUp(const std::vector<uint8_t> &archive, const char *member)
{
    CarDirectory dir;
    Lookup r;
    if (CarDirectoryParse(archive.data(), archive.size(), archive.size(), &dir) != 0)
        return r;
    CarDirectoryLookUp(&dir, member, &r.offset, &r.size);
    CarDirectoryFree(&dir);
    return r;
}

TEST(CarDirectory, LooksUpMembersInAnyCase)
{
    std::vector<uint8_t> a = CarArchive({{"car.fce", Pattern(100, 1)}, {"FEDATA.ENG", Pattern(900, 2)}});
    size_t header = 16 + (8 + 8) + (8 + 11);
    Lookup r = LookUp(a, "fedata.eng");
    EXPECT_EQ(r.offset, header + 100);
    EXPECT_EQ(r.size, 900u);
    EXPECT_EQ(LookUp(a, "Car.FCE").offset, header);
    EXPECT_EQ(LookUp(a, "somewhere\\car.fce").offset, header);  // folder part ignored
    EXPECT_EQ(LookUp(a, "missing.eng").offset, 0u);
    EXPECT_EQ(LookUp(a, "fedata.en").size, 0u);
}

// The directory comes from the file and cannot be trusted: counts, lengths
// and names that run past the block must end the walk, never read past it.
TEST(CarDirectory, WalkStaysInsideTheBlock)
{
    std::vector<uint8_t> a = CarArchive({{"a.bin", Pattern(10, 1)}, {"fedata.eng", Pattern(10, 2)}});
    struct Case {
        const char *name;
        size_t at;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"member count far too large", 8, {0x7F, 0xFF, 0xFF, 0xFF}},
        {"header length cuts the second name", 12, {0, 0, 0, 0}},
        {"header length of 4 GiB", 12, {0xFF, 0xFF, 0xFF, 0xF0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bad = a;
        std::copy(c.bytes.begin(), c.bytes.end(), bad.begin() + static_cast<long>(c.at));
        bad.resize(16 + 8 + 6 + 8 + 4);  // the file ends inside the second name
        EXPECT_EQ(LookUp(bad, "fedata.eng").offset, 0u);
    }
    EXPECT_EQ(LookUp(std::vector<uint8_t>(15, 0), "fedata.eng").offset, 0u);
}

TEST(CarArchive, SerialAtByte798OfFedata)
{
    carfix::TempDir dir;
    auto check = [&](const std::vector<uint8_t> &archive, uint32_t serial) {
        carfix::WriteFile(dir.path() / "car.viv", archive);
        return CarArchiveHasSerial(dir.Logic("car.viv").c_str(), serial);
    };
    EXPECT_TRUE(check(carfix::CarArchiveWithSerial(kSerial), kSerial));
    EXPECT_FALSE(check(carfix::CarArchiveWithSerial(kSerial), kSerial + 1));
    EXPECT_TRUE(check(CarArchive({SerialMember(7, "FeData.Eng")}), 7));
    EXPECT_FALSE(check(CarArchive({{"car.fce", Pattern(2000, 1)}}), kSerial));
    // A member that ends the archive less than 958 bytes in: the block read
    // comes up short and does not count, whatever the bytes say.
    EXPECT_FALSE(check(CarArchive({SerialMember(kSerial, "fedata.eng", 802)}), kSerial));
    EXPECT_TRUE(check(CarArchive({SerialMember(kSerial, "fedata.eng", 958)}), kSerial));
    EXPECT_FALSE(check(CarArchive({{"fedata.eng", {}}, {"x", Pattern(2000, 1)}}), 0));
    EXPECT_FALSE(check({}, 0));
    EXPECT_FALSE(CarArchiveHasSerial(dir.Logic("absent.viv").c_str(), kSerial));
}

// A path from the logic as the host names it (backslashes are separators).
fs::path Host(const char *logic)
{
    std::string s = logic;
#ifndef _WIN32
    for (char &c : s)
        if (c == '\\')
            c = '/';
#endif
    return fs::path(s);
}

struct Game {
    carfix::TempDir dir;
    std::string path = dir.Logic();
    fs::path Save(const std::string &car = {}) const { return dir.path() / "SaveData" / "Cars" / car; }
    fs::path Data(const std::string &car = {}) const { return dir.path() / "Data" / "Cars" / car; }
};

TEST(CarSearch, FindsTheCarBySerialAndSkipsTraffic)
{
    Game g;
    carfix::InstallCar(g.dir.path(), "Data\\Cars", "Viper", kSerial + 1);
    carfix::InstallCar(g.dir.path(), "Data\\Cars", "Traffic", kSerial);
    carfix::InstallCar(g.dir.path(), "Data\\Cars", "TRAFFIC2", kSerial + 2);
    carfix::WriteFile(g.Data("loose.viv"), carfix::CarArchiveWithSerial(kSerial));
    char found[CAR_PATH_SIZE];
    EXPECT_EQ(CarSearchFolder(g.path.c_str(), "Data\\Cars", kSerial, found), 0);
    carfix::InstallCar(g.dir.path(), "Data\\Cars", "Mine", kSerial);
    ASSERT_EQ(CarSearchFolder(g.path.c_str(), "Data\\Cars", kSerial, found), 1);
    EXPECT_EQ(Host(found), g.Data("Mine"));
    EXPECT_EQ(CarSearchFolder(g.path.c_str(), "SaveData\\Cars", kSerial, found), 0);
}

TEST(CarSearch, TrafficInAnyCaseIsSkipped)
{
    for (const char *name : {"Traffic", "TRAFFIC", "traffic", "tRaFfIc"}) {
        Game g;
        carfix::InstallCar(g.dir.path(), "Data\\Cars", name, kSerial);
        char found[CAR_PATH_SIZE];
        EXPECT_EQ(CarSearchFolder(g.path.c_str(), "Data\\Cars", kSerial, found), 0) << name;
    }
}

TEST(CarDestination, PrefersSaveDataThenData)
{
    Game g;
    char dest[CAR_PATH_SIZE];
    carfix::InstallCar(g.dir.path(), "Data\\Cars", "Mine", kSerial);
    fs::create_directories(g.Save());
    ASSERT_EQ(CarDecideDestination(g.path.c_str(), 1, kSerial, dest), CORE_OK);
    EXPECT_EQ(Host(dest), g.Data("Mine"));
    carfix::InstallCar(g.dir.path(), "SaveData\\Cars", "0003", kSerial);
    for (uint32_t kind : {0u, 1u, 2u}) {
        ASSERT_EQ(CarDecideDestination(g.path.c_str(), kind, kSerial, dest), CORE_OK);
        EXPECT_EQ(Host(dest), g.Save("0003")) << kind;
    }
    // The game folder given with a trailing separator leads to the same place.
    std::string slashed = g.path + "\\";
    ASSERT_EQ(CarDecideDestination(slashed.c_str(), 1, kSerial, dest), CORE_OK);
    EXPECT_EQ(Host(dest), g.Save("0003"));
}

TEST(CarDestination, NewCarGetsTheNextFreeNumber)
{
    Game g;
    char dest[CAR_PATH_SIZE];
    fs::create_directories(g.Save());
    ASSERT_EQ(CarDecideDestination(g.path.c_str(), 1, kSerial, dest), CORE_OK);
    EXPECT_EQ(Host(dest), g.Save("0000"));
    EXPECT_TRUE(fs::is_directory(g.Save("0000")));
    for (int n = 1; n <= 9; n++)
        fs::create_directory(g.Save("000" + std::to_string(n)));
    ASSERT_EQ(CarCreateFolder(g.path.c_str(), dest), CORE_OK);
    EXPECT_EQ(Host(dest), g.Save("000A"));
    EXPECT_FALSE(fs::exists(g.Save("0000") / "nulish"));
}

// A file named "nulish" that a user keeps in a car folder is not the probe's:
// it must survive, and its folder counts as taken.
TEST(CarDestination, ProbeLeavesAnExistingScratchNameAlone)
{
    Game g;
    carfix::WriteFile(g.Save("0000") / "nulish", Pattern(50, 3));
    char dest[CAR_PATH_SIZE];
    ASSERT_EQ(CarCreateFolder(g.path.c_str(), dest), CORE_OK);
    EXPECT_EQ(Host(dest), g.Save("0001"));
    EXPECT_EQ(carfix::ReadFile(g.Save("0000") / "nulish"), Pattern(50, 3));
}

TEST(CarDestination, Failures)
{
    Game g;
    char dest[CAR_PATH_SIZE];
    // A new car needs SaveData\Cars; no parent folders are made.
    EXPECT_EQ(CarDecideDestination(g.path.c_str(), 1, kSerial, dest), FATAL_CREATE_FOLDER);
    EXPECT_FALSE(fs::exists(g.dir.path() / "SaveData"));
    // A showcase needs its car; nothing is made.
    fs::create_directories(g.Save());
    EXPECT_EQ(CarDecideDestination(g.path.c_str(), 0, kSerial, dest), FATAL_NO_CAR);
    EXPECT_TRUE(fs::is_empty(g.Save()));
    // Paths that would not fit the 300-byte buffers are refused.
    std::string deep = g.path + std::string(1, fs::path::preferred_separator) + std::string(285, 'x');
    EXPECT_EQ(CarDecideDestination(deep.c_str(), 1, kSerial, dest), FATAL_PATH_TOO_LONG);
}

// A car folder whose path does not fit the 300-byte buffers cannot be looked
// into: it does not match, even holding the car, and the install goes on.
TEST(CarDestination, OverlongCarFoldersDoNotMatch)
{
    struct Case {
        const char *name;
        const char *overlong_in;  // the cars folder holding the overlong folders
        const char *car_in;       // the cars folder holding the car, if any
        fs::path expected;        // the destination, below the game folder
    } cases[] = {
        {"car in SaveData", "Data\\Cars", "SaveData\\Cars", fs::path("SaveData") / "Cars" / "Mine"},
        {"car in Data", "SaveData\\Cars", "Data\\Cars", fs::path("Data") / "Cars" / "Mine"},
        {"new car", "SaveData\\Cars", nullptr, fs::path("SaveData") / "Cars" / "0000"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        carfix::TempDir dir;
        const std::string deep(60, 'g');  // room for the folder names below
        fs::path game = dir.path() / deep;
        std::string path = dir.Logic(deep);
        fs::create_directories(game / "Data" / "Cars");
        fs::create_directories(game / "SaveData" / "Cars");
        size_t cars = path.size() + 1 + std::strlen(c.overlong_in) + 1;
        // One whose archive path is too long, one too long by itself.
        for (size_t length : {CAR_PATH_SIZE - 4 - cars, CAR_PATH_SIZE - cars}) {
            ASSERT_LE(length, 255u);
            carfix::InstallCar(game, c.overlong_in, std::string(length, 'L'), kSerial);
        }
        if (c.car_in)
            carfix::InstallCar(game, c.car_in, "Mine", kSerial);
        char dest[CAR_PATH_SIZE];
        ASSERT_EQ(CarDecideDestination(path.c_str(), 1, kSerial, dest), CORE_OK);
        EXPECT_EQ(Host(dest), game / c.expected);
    }
}

TEST(PathJoin, AddsOneSeparatorAndRefusesOverflow)
{
    char out[16];
    ASSERT_EQ(PathJoin(out, sizeof out, "C:\\a", "b"), 0);
    EXPECT_STREQ(out, "C:\\a\\b");
    ASSERT_EQ(PathJoin(out, sizeof out, "C:\\a\\", "b"), 0);
    EXPECT_STREQ(out, "C:\\a\\b");
    ASSERT_EQ(PathJoin(out, sizeof out, "", "b"), 0);
    EXPECT_STREQ(out, "b");
    EXPECT_EQ(PathJoin(out, sizeof out, "0123456789", "abcde"), -1);
    EXPECT_EQ(PathJoin(out, sizeof out, "0123456789", "abcd"), 0);
}

}  // namespace
