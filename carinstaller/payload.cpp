#include "payload.h"

#include <string.h>

#include "fatal.h"
#include "names.h"
#include "sys.h"

static uint32_t ReadLE32(const unsigned char *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

void PayloadDecodeEntry(const unsigned char record[PAYLOAD_RECORD_SIZE], PayloadEntry *entry)
{
    entry->size = (int32_t)ReadLE32(record);
    memcpy(entry->name, record + 4, PAYLOAD_NAME_SIZE);
    entry->name[PAYLOAD_NAME_SIZE] = '\0';
}

/* Windows opens a device, wherever the folder, for CON, PRN, AUX, NUL,
 * CONIN$, CONOUT$, and COM or LPT followed by a digit 0-9 or a superscript
 * 1, 2 or 3 (code page 1252 bytes 0xB9, 0xB2, 0xB3). It compares the part
 * before the first dot with its trailing blanks removed, so "NUL ",
 * "nul .txt" and "CON." are devices too. */
static int IsDeviceName(const char *name)
{
    static const char *const kDevices[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
    size_t stem = strcspn(name, ".");
    while (stem > 0 && name[stem - 1] == ' ')
        stem--;
    for (size_t i = 0; i < sizeof kDevices / sizeof kDevices[0]; i++)
        if (NamesEqualIgnoreCase(name, stem, kDevices[i]))
            return 1;
    if (stem != 4 || !(NamesEqualIgnoreCase(name, 3, "com") || NamesEqualIgnoreCase(name, 3, "lpt")))
        return 0;
    unsigned char digit = (unsigned char)name[3];
    return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

int PayloadNameIsSafe(const char *name)
{
    if (name[0] == '\0' || strcmp(name, ".") == 0 || strcmp(name, "..") == 0)
        return 0;
    for (const char *p = name; *p; p++) {
        unsigned char c = (unsigned char)*p;
        if (c < 0x20 || c == '\\' || c == '/' || c == ':')
            return 0;
    }
    return !IsDeviceName(name);
}

/* Reads exactly n bytes at an absolute offset; 0 on success. */
static int ReadAt(FILE *f, int64_t offset, void *buffer, size_t n)
{
    if (SysSeek(f, offset) != 0)
        return -1;
    return fread(buffer, 1, n, f) == n ? 0 : -1;
}

static int ReadRecord(Extraction *x, int64_t offset)
{
    unsigned char record[PAYLOAD_RECORD_SIZE];
    if (ReadAt(x->stream, offset, record, sizeof record) != 0)
        return FATAL_READ;
    PayloadDecodeEntry(record, &x->entry);
    if (x->entry.size < 0)
        return FATAL_READ;
    return PayloadNameIsSafe(x->entry.name) ? CORE_OK : FATAL_BAD_NAME;
}

/* Every record must be readable and sane, and the file must hold all the
 * data, before any folder is made or file written: a cut-off installer must
 * not leave an installed car half overwritten. */
static int CheckTable(Extraction *x)
{
    int64_t data_end = x->table_pos + (int64_t)PAYLOAD_RECORD_SIZE * x->header.count;
    int64_t file_size = SysFileSize(x->stream);
    for (int32_t i = 0; i < x->header.count; i++) {
        int rc = ReadRecord(x, x->table_pos + (int64_t)PAYLOAD_RECORD_SIZE * i);
        if (rc != CORE_OK)
            return rc;
        data_end += x->entry.size;
    }
    if (file_size >= 0 && data_end > file_size)
        return FATAL_READ;
    return CORE_OK;
}

int PayloadOpen(Extraction *x, const char *path, int64_t payload_offset)
{
    x->stream = SysOpen(path, "rb");
    if (!x->stream)
        return FATAL_OPEN_EXE;
    setvbuf(x->stream, NULL, _IOFBF, PAYLOAD_STREAM_BUFFER);
    x->payload_offset = payload_offset;
    return CORE_OK;
}

int PayloadReadHeader(Extraction *x)
{
    unsigned char raw[PAYLOAD_HEADER_SIZE];
    if (ReadAt(x->stream, x->payload_offset, raw, sizeof raw) != 0)
        return FATAL_READ;
    x->header.kind = ReadLE32(raw);
    x->header.serial = ReadLE32(raw + 4);
    x->header.count = (int32_t)ReadLE32(raw + 8);
    x->table_pos = x->payload_offset + PAYLOAD_HEADER_SIZE;
    return CheckTable(x);
}

/* Replaces what follows the last backslash of x->dest by the entry name. */
static int FormOutputPath(Extraction *x)
{
    char *slash = strrchr(x->dest, '\\');
    size_t keep = slash ? (size_t)(slash - x->dest) + 1 : 0;
    size_t name_len = strlen(x->entry.name);
    if (keep + name_len + 1 > sizeof x->dest)
        return FATAL_PATH_TOO_LONG;
    memcpy(x->dest + keep, x->entry.name, name_len + 1);
    return CORE_OK;
}

/* Copies the entry's data in 512-byte chunks, many chunks to a read. When
 * the data ends early, the whole chunks that arrived are written first, so
 * the file is left exactly as a chunk-by-chunk copy would leave it. */
static int CopyEntryData(Extraction *x, FILE *out)
{
    int32_t remaining = x->entry.size;
    if (SysSeek(x->stream, x->data_pos) != 0)
        return FATAL_READ;
    while (remaining != 0) {
        size_t want = remaining >= PAYLOAD_COPY_BUFFER ? PAYLOAD_COPY_BUFFER : (size_t)remaining;
        size_t got = fread(x->buffer, 1, want, x->stream);
        size_t keep = got < want ? got - got % PAYLOAD_CHUNK : got;
        if (keep > 0 && fwrite(x->buffer, 1, keep, out) != keep)
            return FATAL_WRITE;
        if (got < want)
            return FATAL_READ;
        x->data_pos += (int64_t)got;
        remaining -= (int32_t)got;
    }
    return CORE_OK;
}

static int ExtractOne(Extraction *x)
{
    int rc = ReadRecord(x, x->table_pos);
    x->table_pos += PAYLOAD_RECORD_SIZE;
    if (rc == CORE_OK)
        rc = FormOutputPath(x);
    if (rc != CORE_OK)
        return rc;
    FILE *out = SysOpen(x->dest, "wb");
    if (!out)
        return FATAL_WRITE;
    /* Every write is a whole copy buffer (or the end of the entry): a stream
     * buffer would only copy the data once more. */
    setvbuf(out, NULL, _IONBF, 0);
    rc = CopyEntryData(x, out);
    if (fclose(out) != 0 && rc == CORE_OK)
        rc = FATAL_WRITE;
    return rc;
}

int PayloadExtract(Extraction *x, PayloadStep step, void *context)
{
    int rc = CORE_OK;
    size_t len = strlen(x->dest);
    x->data_pos = x->table_pos + (int64_t)PAYLOAD_RECORD_SIZE * x->header.count;
    if (len == 0 || x->dest[len - 1] != '\\') {
        if (len + 2 > sizeof x->dest)
            rc = FATAL_PATH_TOO_LONG;
        else
            memcpy(x->dest + len, "\\", 2);
    }
    for (int32_t i = 0; rc == CORE_OK && i < x->header.count; i++) {
        rc = ExtractOne(x);
        if (rc == CORE_OK && step)
            step(context);
    }
    fclose(x->stream);
    x->stream = NULL;
    return rc;
}
