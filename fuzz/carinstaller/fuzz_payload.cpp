// Payload header and table checks, then extraction into a scratch folder:
// whatever the bytes, nothing may be written outside that folder.
#include <dirent.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "fatal.h"
#include "memfile.h"
#include "payload.h"
#include "sys.h"

static std::string g_scratch;

static void EmptyScratch()
{
    DIR *dir = opendir(g_scratch.c_str());
    if (!dir)
        abort();
    while (struct dirent *e = readdir(dir))
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)
            unlink((g_scratch + "/" + e->d_name).c_str());
    closedir(dir);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (g_scratch.empty()) {
        char tmpl[] = "/tmp/fuzz-payload-XXXXXX";
        if (!mkdtemp(tmpl))
            abort();
        g_scratch = tmpl;
    }
    MemFile file(data, size);
    static Extraction x;
    memset(&x, 0, sizeof x);
    x.stream = SysOpen(file.path().c_str(), "rb");
    if (!x.stream)
        return 0;
    int rc = PayloadReadHeader(&x);
    // Keep the written volume small: the checks matter, not the copying.
    if (rc == CORE_OK && x.header.count <= 16 && size <= (1 << 16)) {
        strcpy(x.dest, g_scratch.c_str());
        PayloadExtract(&x, nullptr, nullptr);
        EmptyScratch();
    } else {
        fclose(x.stream);
    }
    return 0;
}
