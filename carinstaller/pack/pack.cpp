#include "pack.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "fatal.h"
#include "payload.h"
#include "sys.h"


namespace fs = std::filesystem;

namespace carpack {
namespace {

void PutLE32(std::vector<uint8_t> &out, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> ReadWholeFile(const std::string &path)
{
    std::ifstream in(fs::u8path(path), std::ios::binary);
    if (!in)
        throw Error("cannot open '" + path + "'");
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw Error("cannot read '" + path + "'");
    return bytes;
}

std::string Lower(std::string s)
{
    for (char &c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The extraction state over an open installer, header read and table checked.
struct OpenPayload {
    Extraction x{};
    explicit OpenPayload(const std::string &installer)
    {
        if (PayloadOpen(&x, installer.c_str(), PAYLOAD_OFFSET) != CORE_OK)
            throw Error("cannot open '" + installer + "'");
        int rc = PayloadReadHeader(&x);
        if (rc != CORE_OK) {
            fclose(x.stream);
            throw Error("'" + installer + "' has no usable payload: " + FatalText(rc));
        }
        // The installer extracts nothing for a negative count; here it would
        // make a negative payload size.
        if (x.header.count < 0) {
            fclose(x.stream);
            throw Error("'" + installer + "' has no usable payload: negative entry count (" +
                        std::to_string(x.header.count) + ")");
        }
    }
    ~OpenPayload()
    {
        if (x.stream)
            fclose(x.stream);
    }
};

}  // namespace

std::vector<uint8_t> EncodePayload(uint32_t kind, uint32_t serial, const std::vector<Entry> &entries)
{
    std::vector<uint8_t> out;
    PutLE32(out, kind);
    PutLE32(out, serial);
    PutLE32(out, static_cast<uint32_t>(entries.size()));
    for (const Entry &e : entries) {
        PutLE32(out, static_cast<uint32_t>(e.data.size()));
        char name[PAYLOAD_NAME_SIZE] = {};
        std::memcpy(name, e.name.data(), std::min<size_t>(e.name.size(), PAYLOAD_NAME_SIZE));
        out.insert(out.end(), name, name + PAYLOAD_NAME_SIZE);
    }
    for (const Entry &e : entries)
        out.insert(out.end(), e.data.begin(), e.data.end());
    return out;
}

void CheckEntries(const std::vector<std::string> &names, const std::vector<uint64_t> &sizes)
{
    std::vector<std::string> seen;
    for (size_t i = 0; i < names.size(); i++) {
        const std::string &name = names[i];
        if (name.size() > PAYLOAD_NAME_SIZE)
            throw Error("name '" + name + "' is longer than 12 characters");
        if (!PayloadNameIsSafe(name.c_str()))
            throw Error("name '" + name + "' is not a plain file name");
        if (std::find(seen.begin(), seen.end(), Lower(name)) != seen.end())
            throw Error("name '" + name + "' is given twice");
        if (sizes[i] >= 0x80000000ull)
            throw Error("'" + name + "' is 2 GiB or larger");
        seen.push_back(Lower(name));
    }
}

PayloadInfo ReadPayload(const std::string &installer)
{
    OpenPayload p(installer);
    PayloadInfo info;
    info.kind = p.x.header.kind;
    info.serial = p.x.header.serial;
    int64_t data = PAYLOAD_HEADER_SIZE + int64_t{PAYLOAD_RECORD_SIZE} * p.x.header.count;
    unsigned char record[PAYLOAD_RECORD_SIZE];
    for (int32_t i = 0; i < p.x.header.count; i++) {
        SysSeek(p.x.stream, p.x.table_pos + int64_t{PAYLOAD_RECORD_SIZE} * i);
        if (fread(record, 1, sizeof record, p.x.stream) != sizeof record)
            throw Error("'" + installer + "' changed while it was read");
        PayloadEntry e;
        PayloadDecodeEntry(record, &e);
        info.items.push_back({e.name, e.size, data});
        data += e.size;
    }
    info.size = data;
    return info;
}

std::vector<uint8_t> ReadStub(const std::string &stub)
{
    std::vector<uint8_t> bytes = ReadWholeFile(stub);
    if (bytes.size() != static_cast<size_t>(PAYLOAD_OFFSET))
        throw Error("stub '" + stub + "' is " + std::to_string(bytes.size()) +
                    " bytes; a stub must be exactly " + std::to_string(PAYLOAD_OFFSET));
    return bytes;
}

void WriteFileAtomically(const std::string &path, const std::vector<uint8_t> &bytes)
{
    fs::path target = fs::u8path(path);
    fs::path temp = target;
    temp += ".carpack-tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (out)
            out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::error_code ignored;
            fs::remove(temp, ignored);
            throw Error("cannot write '" + path + "'");
        }
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        throw Error("cannot write '" + path + "'");
    }
}

void BuildInstaller(const std::string &stub, uint32_t kind, uint32_t serial,
                    const std::vector<std::string> &files, const std::string &out)
{
    std::vector<std::string> names;
    std::vector<uint64_t> sizes;
    for (const std::string &file : files) {
        std::error_code ec;
        uint64_t size = fs::file_size(fs::u8path(file), ec);
        if (ec)
            throw Error("cannot read '" + file + "'");
        names.push_back(fs::u8path(file).filename().u8string());
        sizes.push_back(size);
    }
    CheckEntries(names, sizes);
    std::vector<uint8_t> bytes = ReadStub(stub);
    std::vector<Entry> entries;
    for (size_t i = 0; i < files.size(); i++)
        entries.push_back({names[i], ReadWholeFile(files[i])});
    std::vector<uint8_t> payload = EncodePayload(kind, serial, entries);
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    WriteFileAtomically(out, bytes);
}

void Restub(const std::string &old_installer, const std::string &stub, const std::string &out)
{
    PayloadInfo info = ReadPayload(old_installer);
    std::vector<uint8_t> bytes = ReadStub(stub);
    std::vector<uint8_t> old = ReadWholeFile(old_installer);
    auto begin = old.begin() + PAYLOAD_OFFSET;
    bytes.insert(bytes.end(), begin, begin + info.size);
    WriteFileAtomically(out, bytes);
}

void ExtractAll(const std::string &installer, const std::string &folder)
{
    OpenPayload p(installer);
    if (folder.size() + 1 > sizeof p.x.dest)
        throw Error("folder path too long");
    std::strcpy(p.x.dest, folder.c_str());
    int rc = PayloadExtract(&p.x, nullptr, nullptr);
    p.x.stream = nullptr;  // closed by the extraction
    if (rc != CORE_OK)
        throw Error(std::string("extraction into '") + folder + "' failed: " + FatalText(rc));
}

}  // namespace carpack
