// The car archive directory walk and the serial check over arbitrary bytes.
#include <cstdint>

#include "cars.h"
#include "memfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CarDirectory dir;
    if (CarDirectoryParse(data, size, size, &dir) == 0) {
        uint32_t offset, size_found;
        CarDirectoryLookUp(&dir, "fedata.eng", &offset, &size_found);
        CarDirectoryLookUp(&dir, "some\\folder\\a-name-longer-than-twenty-nine-characters", &offset, &size_found);
        CarDirectoryFree(&dir);
    }
    MemFile file(data, size);
    if (!file.path().empty())
        CarArchiveHasSerial(file.path().c_str(), 26);
    return 0;
}
