// Building, reading, re-stubbing and extracting installers.
#include <gtest/gtest.h>

#include <functional>

#include "fixtures.h"
#include "pack.h"
#include "payload.h"

namespace {

namespace fs = std::filesystem;
using carfix::Pattern;

struct Workshop {
    carfix::TempDir dir;
    fs::path stub = dir.path() / "core.exe";
    Workshop() { carfix::WriteFile(stub, Pattern(PAYLOAD_OFFSET, 77)); }
    std::string File(const std::string &name, size_t size, uint32_t seed)
    {
        carfix::WriteFile(dir.path() / "in" / name, Pattern(size, seed));
        return (dir.path() / "in" / name).string();
    }
};

TEST(Carpack, BuildListExtractRoundTrip)
{
    Workshop w;
    std::vector<std::string> files = {w.File("car.viv", 5000, 1), w.File("Lstm.qfs", 513, 2),
                                      w.File("abcdefgh.ijk", 0, 3)};
    fs::path out = w.dir.path() / "car.exe";
    carpack::BuildInstaller(w.stub.string(), 1, 26, files, out.string());

    std::vector<uint8_t> bytes = carfix::ReadFile(out);
    ASSERT_GT(bytes.size(), static_cast<size_t>(PAYLOAD_OFFSET));
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + PAYLOAD_OFFSET), Pattern(PAYLOAD_OFFSET, 77));

    carpack::PayloadInfo info = carpack::ReadPayload(out.string());
    EXPECT_EQ(info.kind, 1u);
    EXPECT_EQ(info.serial, 26u);
    ASSERT_EQ(info.items.size(), 3u);
    EXPECT_EQ(info.items[1].name, "Lstm.qfs");
    EXPECT_EQ(info.items[1].size, 513);
    EXPECT_EQ(info.size, 12 + 3 * 16 + 5000 + 513);
    EXPECT_EQ(bytes.size(), static_cast<size_t>(PAYLOAD_OFFSET + info.size));

    fs::create_directory(w.dir.path() / "x");
    carpack::ExtractAll(out.string(), (w.dir.path() / "x").string());
    EXPECT_EQ(carfix::ReadFile(w.dir.path() / "x" / "car.viv"), Pattern(5000, 1));
    EXPECT_EQ(carfix::ReadFile(w.dir.path() / "x" / "Lstm.qfs"), Pattern(513, 2));
    EXPECT_EQ(fs::file_size(w.dir.path() / "x" / "abcdefgh.ijk"), 0u);
}

TEST(Carpack, RefusesBadInputAndWritesNothing)
{
    Workshop w;
    std::string good = w.File("car.viv", 10, 1);
    carfix::WriteFile(w.dir.path() / "short.exe", Pattern(PAYLOAD_OFFSET - 1, 1));
    struct Case {
        const char *name;
        std::string stub;
        std::vector<std::string> files;
        const char *message;
    } cases[] = {
        {"name over 12 characters", w.stub.string(), {w.File("thirteen.char", 1, 1)}, "longer than 12"},
        {"same name twice", w.stub.string(), {good, (w.dir.path() / "in" / "." / "CAR.VIV").string()}, ""},
        {"missing file", w.stub.string(), {(w.dir.path() / "none.bin").string()}, "cannot read"},
        {"stub of the wrong size", (w.dir.path() / "short.exe").string(), {good}, "exactly 67072"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        fs::path out = w.dir.path() / "out.exe";
        try {
            carpack::BuildInstaller(c.stub, 1, 26, c.files, out.string());
            ADD_FAILURE() << "accepted";
        } catch (const carpack::Error &e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
        EXPECT_FALSE(fs::exists(out));
    }
}

TEST(Carpack, CheckEntriesRefusesWhatTheInstallerWouldRefuse)
{
    for (const char *name : {"nul.dat", "a:b", "NUL ", "con .txt", "AUX.", "COM\xB9", "lpt\xB3.x"})
        EXPECT_THROW(carpack::CheckEntries({name}, {1}), carpack::Error) << name;
    EXPECT_THROW(carpack::CheckEntries({"car.viv", "CAR.VIV"}, {1, 1}), carpack::Error);
    EXPECT_THROW(carpack::CheckEntries({"big.bin"}, {0x80000000ull}), carpack::Error);
    EXPECT_NO_THROW(carpack::CheckEntries({"big.bin", "car.viv"}, {0x7FFFFFFFull, 0}));
}

TEST(Carpack, RestubKeepsThePayloadExactly)
{
    Workshop w;
    fs::path old = w.dir.path() / "old.exe";
    std::vector<uint8_t> payload = carpack::EncodePayload(0, 99, {{"a.bin", Pattern(700, 5)}});
    std::vector<uint8_t> bytes = Pattern(PAYLOAD_OFFSET, 1);
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    bytes.insert(bytes.end(), {'t', 'a', 'i', 'l'});  // never read, not carried over
    carfix::WriteFile(old, bytes);

    fs::path out = w.dir.path() / "new.exe";
    carpack::Restub(old.string(), w.stub.string(), out.string());
    std::vector<uint8_t> expected = Pattern(PAYLOAD_OFFSET, 77);
    expected.insert(expected.end(), payload.begin(), payload.end());
    EXPECT_EQ(carfix::ReadFile(out), expected);

    fs::resize_file(old, PAYLOAD_OFFSET + 20);
    EXPECT_THROW(carpack::Restub(old.string(), w.stub.string(), out.string()), carpack::Error);
}

// A negative entry count would make a negative payload size (and a copy
// from before the file's bytes): every reading command refuses it.
TEST(Carpack, NegativeEntryCountIsRefused)
{
    Workshop w;
    fs::path bad = w.dir.path() / "bad.exe";
    std::vector<uint8_t> payload = carpack::EncodePayload(1, 26, {{"a.bin", Pattern(100, 5)}});
    payload[8] = 0xFE, payload[9] = payload[10] = payload[11] = 0xFF;  // -2
    std::vector<uint8_t> bytes = Pattern(PAYLOAD_OFFSET, 1);
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    carfix::WriteFile(bad, bytes);
    fs::path out = w.dir.path() / "out.exe", folder = w.dir.path() / "x";
    fs::create_directory(folder);
    struct Case {
        const char *name;
        std::function<void()> run;
    } cases[] = {
        {"list", [&] { carpack::ReadPayload(bad.string()); }},
        {"restub", [&] { carpack::Restub(bad.string(), w.stub.string(), out.string()); }},
        {"extract", [&] { carpack::ExtractAll(bad.string(), folder.string()); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        try {
            c.run();
            ADD_FAILURE() << "accepted";
        } catch (const carpack::Error &e) {
            EXPECT_NE(std::string(e.what()).find("negative entry count (-2)"), std::string::npos) << e.what();
        }
    }
    EXPECT_FALSE(fs::exists(out));
    EXPECT_TRUE(fs::is_empty(folder));
}

}  // namespace
