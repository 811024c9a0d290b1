#include "cars.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "fatal.h"
#include "names.h"
#include "sys.h"

#define DIRECTORY_SLACK 48      /* read past the header length */
#define DIRECTORY_FIRST_ENTRY 16
#define DIRECTORY_ENTRY_FIXED 8 /* offset and size before the name */
#define MEMBER_NAME_MAX 29

static uint32_t ReadBE32(const unsigned char *p)
{
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | (uint32_t)p[3];
}

static uint32_t ReadLE32(const unsigned char *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static void WriteHost32(unsigned char *p, uint32_t v)
{
    memcpy(p, &v, sizeof v);
}

int PathJoin(char *out, size_t cap, const char *folder, const char *name)
{
    size_t a = strlen(folder), b = strlen(name);
    int slash = a > 0 && folder[a - 1] != '\\';
    if (a + (size_t)slash + b + 1 > cap)
        return -1;
    memmove(out, folder, a);
    if (slash)
        out[a] = '\\';
    memcpy(out + a + slash, name, b + 1);
    return 0;
}

int CarDirectoryParse(const unsigned char *data, size_t data_size, uint64_t file_size,
                      CarDirectory *dir)
{
    memset(dir, 0, sizeof *dir);
    if (data_size < 16)
        return -1;
    uint64_t want = (uint64_t)ReadBE32(data + 12) + DIRECTORY_SLACK;
    /* Past the file's end the block would only hold zeros, which end the
     * walk like a missing member; so the block never needs to outgrow the
     * file (a bogus header length asks for up to 4 GiB). */
    if (want > file_size + DIRECTORY_SLACK)
        want = file_size + DIRECTORY_SLACK;
    dir->block = (unsigned char *)calloc((size_t)want, 1);
    if (!dir->block)
        return -1;
    dir->size = (size_t)want;
    memcpy(dir->block, data, data_size < dir->size ? data_size : dir->size);
    WriteHost32(dir->block, ReadBE32(dir->block));
    WriteHost32(dir->block + 8, ReadBE32(dir->block + 8));
    WriteHost32(dir->block + 12, ReadBE32(dir->block + 12));
    memcpy(&dir->count, dir->block + 8, sizeof dir->count);
    return 0;
}

void CarDirectoryFree(CarDirectory *dir)
{
    free(dir->block);
    memset(dir, 0, sizeof *dir);
}

void CarDirectoryLookUp(const CarDirectory *dir, const char *member,
                        uint32_t *offset, uint32_t *size)
{
    char wanted[MEMBER_NAME_MAX + 1];
    const char *base = strrchr(member, '\\');
    base = base ? base + 1 : member;
    strncpy(wanted, base, MEMBER_NAME_MAX);
    wanted[MEMBER_NAME_MAX] = '\0';
    *offset = 0;
    *size = 0;

    size_t pos = DIRECTORY_FIRST_ENTRY;
    for (uint32_t i = 0; i < dir->count; i++) {
        if (pos + DIRECTORY_ENTRY_FIXED >= dir->size)
            return;
        const char *name = (const char *)dir->block + pos + DIRECTORY_ENTRY_FIXED;
        const void *end = memchr(name, '\0', dir->size - pos - DIRECTORY_ENTRY_FIXED);
        if (!end)
            return;
        if (NamesEqualIgnoreCase(name, strlen(name), wanted)) {
            *offset = ReadBE32(dir->block + pos);
            *size = ReadBE32(dir->block + pos + 4);
            return;
        }
        pos = (size_t)((const unsigned char *)end - dir->block) + 1;
    }
}

/* Reads the directory block from the start of an open archive: the header
 * length comes from the first 16 bytes, then the block is read whole. */
static int ReadDirectory(FILE *f, CarDirectory *dir)
{
    unsigned char head[16];
    int64_t file_size = SysFileSize(f);
    if (file_size < 0 || SysSeek(f, 0) != 0 || fread(head, 1, sizeof head, f) != sizeof head)
        return -1;
    uint64_t want = (uint64_t)ReadBE32(head + 12) + DIRECTORY_SLACK;
    if (want > (uint64_t)file_size)
        want = (uint64_t)file_size;
    unsigned char *raw = (unsigned char *)malloc((size_t)want);
    if (!raw)
        return -1;
    size_t got = SysSeek(f, 0) == 0 ? fread(raw, 1, (size_t)want, f) : 0;
    int rc = CarDirectoryParse(raw, got, (uint64_t)file_size, dir);
    free(raw);
    return rc;
}

int CarArchiveHasSerial(const char *archive_path, uint32_t serial)
{
    FILE *f = SysOpen(archive_path, "rb");
    if (!f)
        return 0;
    CarDirectory dir;
    uint32_t offset = 0, size = 0;
    unsigned char block[CAR_SERIAL_BLOCK];
    int match = 0;
    if (ReadDirectory(f, &dir) == 0) {
        CarDirectoryLookUp(&dir, CAR_SERIAL_MEMBER, &offset, &size);
        CarDirectoryFree(&dir);
    }
    if (offset != 0 && size != 0 &&
        SysSeek(f, (int64_t)offset + CAR_SERIAL_READ_AT) == 0 &&
        fread(block, 1, sizeof block, f) == sizeof block)
        match = ReadLE32(block + CAR_SERIAL_POS) == serial;
    fclose(f);
    return match;
}

static int IsSkippedFolder(const char *name)
{
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0 ||
           NamesEqualIgnoreCase(name, strlen(name), "Traffic");
}

int CarSearchFolder(const char *game, const char *cars_folder, uint32_t serial, char *found)
{
    char cars[CAR_PATH_SIZE], pattern[CAR_PATH_SIZE], archive[CAR_PATH_SIZE];
    /* A cars folder or car folder whose path does not fit cannot hold the
     * car as far as the search can tell; only the destination itself, when
     * it must be made, stops for its length. */
    if (PathJoin(cars, sizeof cars, game, cars_folder) != 0 ||
        PathJoin(cars, sizeof cars, cars, "") != 0 ||
        PathJoin(pattern, sizeof pattern, cars, "*.*") != 0)
        return 0;
    SysFind *find = SysFindFirst(pattern);
    if (!find)
        return 0;
    int result = 0;
    const char *name;
    int is_dir;
    while (result == 0 && SysFindNext(find, &name, &is_dir)) {
        if (!is_dir || IsSkippedFolder(name))
            continue;
        if (PathJoin(found, CAR_PATH_SIZE, cars, name) == 0 &&
            PathJoin(archive, sizeof archive, found, CAR_ARCHIVE) == 0 &&
            CarArchiveHasSerial(archive, serial))
            result = 1;
    }
    SysFindClose(find);
    return result;
}

int CarProbeFolder(const char *candidate)
{
    char probe[CAR_PATH_SIZE];
    if (PathJoin(probe, sizeof probe, candidate, CAR_PROBE_FILE) != 0)
        return 0;
    switch (SysCreateNew(probe)) {
    case SYS_CREATED:
        SysRemove(probe);
        return 1;
    case SYS_ALREADY_EXISTS:
        return 1;
    default:
        return 0;
    }
}

int CarCreateFolder(const char *game, char *out)
{
    char base[CAR_PATH_SIZE], number[16], probe[CAR_PATH_SIZE];
    if (PathJoin(base, sizeof base, game, CARS_FOLDER_SAVE) != 0 ||
        PathJoin(base, sizeof base, base, "") != 0)
        return FATAL_PATH_TOO_LONG;
    uint32_t n = 0;
    do {
        snprintf(number, sizeof number, "%04X", (unsigned)n);
        /* The candidate and its probe file must both fit their buffers. */
        if (PathJoin(out, CAR_PATH_SIZE, base, number) != 0 ||
            PathJoin(probe, sizeof probe, out, CAR_PROBE_FILE) != 0)
            return FATAL_PATH_TOO_LONG;
        if (++n == 0)
            return FATAL_CREATE_FOLDER;
    } while (CarProbeFolder(out));
    return SysMakeDir(out) == 0 ? CORE_OK : FATAL_CREATE_FOLDER;
}

int CarDecideDestination(const char *game, uint32_t kind, uint32_t serial, char *dest)
{
    char in_data[CAR_PATH_SIZE], in_save[CAR_PATH_SIZE];
    int data = CarSearchFolder(game, CARS_FOLDER_DATA, serial, in_data);
    int save = CarSearchFolder(game, CARS_FOLDER_SAVE, serial, in_save);
    if (save == 1)
        memcpy(dest, in_save, CAR_PATH_SIZE);
    else if (data == 1)
        memcpy(dest, in_data, CAR_PATH_SIZE);
    else if (kind == 0)
        return FATAL_NO_CAR;
    else
        return CarCreateFolder(game, dest);
    return CORE_OK;
}
