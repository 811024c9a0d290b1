// Building and reading car installers: the stub program followed by the
// payload (see payload.h for the layout). Used by the carpack tool and by
// the tests that make installers of their own.
#ifndef CARINSTALLER_PACK_H
#define CARINSTALLER_PACK_H

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace carpack {

// Every failure; what() is the message the tool prints.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Entry {
    std::string name;           // as stored, at most 12 characters
    std::vector<uint8_t> data;
};

struct PayloadInfo {
    uint32_t kind = 0;
    uint32_t serial = 0;
    struct Item {
        std::string name;
        int32_t size = 0;
        int64_t data_offset = 0;  // from the start of the payload
    };
    std::vector<Item> items;
    int64_t size = 0;  // header, table and data
};

// The payload bytes for these entries, without checks: tests use it to make
// damaged payloads too. A name of 12 characters is stored unterminated.
std::vector<uint8_t> EncodePayload(uint32_t kind, uint32_t serial, const std::vector<Entry> &entries);

// Throws Error unless every name is a safe plain file name of 1 to 12
// characters, no two names are equal (in any case) and every entry is
// smaller than 2 GiB.
void CheckEntries(const std::vector<std::string> &names, const std::vector<uint64_t> &sizes);

// Reads the payload of an installer file at the fixed offset, checking its
// table the way the installer does. Throws Error with the reason.
PayloadInfo ReadPayload(const std::string &installer);

// The stub (the installer program without payload), checked for its size.
std::vector<uint8_t> ReadStub(const std::string &stub);

// Writes stub + payload of the given files to out. Everything is checked
// before anything is written, and out appears only when complete.
void BuildInstaller(const std::string &stub, uint32_t kind, uint32_t serial,
                    const std::vector<std::string> &files, const std::string &out);

// Puts the payload of an existing installer behind another stub.
void Restub(const std::string &old_installer, const std::string &stub, const std::string &out);

// Extracts every entry into folder with the installer's own extraction code.
void ExtractAll(const std::string &installer, const std::string &folder);

// Writes bytes to path through a temporary file renamed into place.
void WriteFileAtomically(const std::string &path, const std::vector<uint8_t> &bytes);

}  // namespace carpack

#endif
