// Payload header and table checks, then extraction into a scratch folder
// "dest" inside a root folder of its own. Whatever the bytes: nothing but
// "dest" ever appears in the root, nothing but plain files in "dest", and an
// extraction that succeeds leaves exactly the table's files at their sizes.
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <map>
#include <string>

#include "fatal.h"
#include "memfile.h"
#include "payload.h"
#include "sys.h"

static std::string g_root, g_dest;

static void Fail(const char *what, const std::string &name)
{
    fprintf(stderr, "fuzz_payload: %s: '%s'\n", what, name.c_str());
    abort();
}

// Name and size of every file in a folder; aborts on anything else.
static std::map<std::string, int64_t> ListFiles(const std::string &folder)
{
    std::map<std::string, int64_t> files;
    DIR *dir = opendir(folder.c_str());
    if (!dir)
        Fail("cannot list", folder);
    while (struct dirent *e = readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st;
        if (lstat((folder + "/" + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            Fail("not a plain file in the destination", name);
        files[name] = st.st_size;
    }
    closedir(dir);
    return files;
}

static void CheckRootHoldsOnlyDest()
{
    DIR *dir = opendir(g_root.c_str());
    if (!dir)
        Fail("cannot list", g_root);
    while (struct dirent *e = readdir(dir)) {
        std::string name = e->d_name;
        if (name != "." && name != ".." && name != "dest")
            Fail("written outside the destination", name);
    }
    closedir(dir);
}

// The files the table names, the last of equal names winning.
static std::map<std::string, int64_t> ExpectedFiles(const uint8_t *data, const Extraction &x)
{
    std::map<std::string, int64_t> files;
    for (int32_t i = 0; i < x.header.count; i++) {
        PayloadEntry e;
        PayloadDecodeEntry(data + PAYLOAD_HEADER_SIZE + PAYLOAD_RECORD_SIZE * i, &e);
        files[e.name] = e.size;
    }
    return files;
}

static void EmptyDest()
{
    for (const auto &f : ListFiles(g_dest))
        unlink((g_dest + "/" + f.first).c_str());
}

static void RemoveFolders()
{
    EmptyDest();
    rmdir(g_dest.c_str());
    rmdir(g_root.c_str());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (g_root.empty()) {
        char tmpl[] = "/tmp/fuzz-payload-XXXXXX";
        if (!mkdtemp(tmpl))
            abort();
        g_root = tmpl;
        g_dest = g_root + "/dest";
        if (mkdir(g_dest.c_str(), 0777) != 0)
            abort();
        atexit(RemoveFolders);
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
        std::map<std::string, int64_t> expected = ExpectedFiles(data, x);
        strcpy(x.dest, g_dest.c_str());
        rc = PayloadExtract(&x, nullptr, nullptr);
        CheckRootHoldsOnlyDest();
        std::map<std::string, int64_t> written = ListFiles(g_dest);
        if (rc == CORE_OK && written != expected)
            Fail("extracted files differ from the table", g_dest);
        EmptyDest();
    } else {
        fclose(x.stream);
    }
    return 0;
}
