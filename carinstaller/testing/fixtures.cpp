#include "fixtures.h"

namespace carfix {

std::string TempDir::Logic(const fs::path &below) const
{
    fs::path p = below.empty() ? path() : path() / below;
#ifdef _WIN32
    p.make_preferred();
#endif
    return p.string();
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
