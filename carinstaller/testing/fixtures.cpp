#include "fixtures.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace carfix {

TempDir::TempDir()
{
    static std::mt19937_64 rng{std::random_device{}()};
    for (int attempt = 0; attempt < 100; attempt++) {
        fs::path p = fs::temp_directory_path() / ("carfix-" + std::to_string(rng() % 100000000));
        if (fs::create_directory(p)) {
            path_ = p;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir()
{
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::string TempDir::Logic(const fs::path &below) const
{
    fs::path p = below.empty() ? path_ : path_ / below;
#ifdef _WIN32
    p.make_preferred();
#endif
    return p.string();
}

std::vector<uint8_t> Pattern(size_t size, uint32_t seed)
{
    std::vector<uint8_t> out(size);
    uint32_t x = seed * 2654435761u + 1;
    for (auto &b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    return out;
}

void WriteFile(const fs::path &path, const std::vector<uint8_t> &bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::vector<uint8_t> ReadFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

static void PutBE32(std::vector<uint8_t> &out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        out[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

std::vector<uint8_t> CarArchive(const std::vector<Member> &members)
{
    size_t header = 16;
    for (const Member &m : members)
        header += 8 + m.name.size() + 1;
    std::vector<uint8_t> out(header);
    out[0] = 'B', out[1] = 'I', out[2] = 'G', out[3] = 'F';
    PutBE32(out, 8, static_cast<uint32_t>(members.size()));
    PutBE32(out, 12, static_cast<uint32_t>(header));
    size_t entry = 16, data = header;
    for (const Member &m : members) {
        PutBE32(out, entry, static_cast<uint32_t>(data));
        PutBE32(out, entry + 4, static_cast<uint32_t>(m.data.size()));
        std::copy(m.name.begin(), m.name.end(), out.begin() + static_cast<long>(entry + 8));
        entry += 8 + m.name.size() + 1;
        data += m.data.size();
    }
    for (const Member &m : members)
        out.insert(out.end(), m.data.begin(), m.data.end());
    PutBE32(out, 4, static_cast<uint32_t>(out.size()));
    return out;
}

Member SerialMember(uint32_t serial, const std::string &name, size_t size)
{
    Member m{name, Pattern(size, serial)};
    for (int i = 0; i < 4; i++)
        m.data.at(798 + i) = static_cast<uint8_t>(serial >> (8 * i));
    return m;
}

std::vector<uint8_t> CarArchiveWithSerial(uint32_t serial)
{
    return CarArchive({{"car.fce", Pattern(3000, serial + 7)}, SerialMember(serial)});
}

void InstallCar(const fs::path &game, const std::string &cars_folder, const std::string &car,
                uint32_t serial)
{
    fs::path folder = game;
    std::string rest = cars_folder;
    for (size_t pos; (pos = rest.find('\\')) != std::string::npos; rest.erase(0, pos + 1))
        folder /= rest.substr(0, pos);
    folder /= rest;
    WriteFile(folder / car / "car.viv", CarArchiveWithSerial(serial));
}

}  // namespace carfix
