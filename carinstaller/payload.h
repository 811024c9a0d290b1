/* The payload appended to the car installer's own executable, and its
 * extraction.
 *
 * Layout (little-endian), starting at PAYLOAD_OFFSET of the file:
 *
 *   +0   u32  kind flag      0 = showcase, anything else = car
 *   +4   u32  serial number  the car's serial, matched against installed cars
 *   +8   i32  entry count
 *   +12  16 x count entry records:
 *          +0  i32  size of the entry's data (< 2 GiB)
 *          +4  12   name, NUL-padded; 12 characters have no terminator
 *   then the entries' data back to back, in table order.
 */
#ifndef CARINSTALLER_PAYLOAD_H
#define CARINSTALLER_PAYLOAD_H

#include <stdint.h>
#include <stdio.h>

#define PAYLOAD_OFFSET 67072L     /* 0x10600, the length of the stub */
#define PAYLOAD_HEADER_SIZE 12
#define PAYLOAD_RECORD_SIZE 16
#define PAYLOAD_NAME_SIZE 12
#define PAYLOAD_CHUNK 512         /* the unit of copying and of short reads */
#define PAYLOAD_COPY_BUFFER 262144 /* chunks moved per read and write */
#define DEST_PATH_SIZE 512
/* The installer stream's buffer serves the 16-byte table records; the data
 * is read PAYLOAD_COPY_BUFFER bytes at a time, past it. A larger buffer would
 * only add copies: after each seek the C library refills it from the next
 * block boundary and hands the data over from there. */
#define PAYLOAD_STREAM_BUFFER 4096

typedef struct PayloadHeader {
    uint32_t kind;
    uint32_t serial;
    int32_t count;
} PayloadHeader;

typedef struct PayloadEntry {
    int32_t size;
    char name[PAYLOAD_NAME_SIZE + 1]; /* always terminated */
} PayloadEntry;

/* Step callback, called once after each entry is written and closed. */
typedef void (*PayloadStep)(void *context);

/* The extraction state: written before extraction starts, then used by the
 * extracting thread alone. Plain data, so a zero-filled static is ready. */
typedef struct Extraction {
    FILE *stream;            /* the installer's own file, read-only */
    int64_t payload_offset;  /* PAYLOAD_OFFSET in the program */
    PayloadHeader header;
    int64_t table_pos;       /* next entry record */
    int64_t data_pos;        /* next data byte */
    PayloadEntry entry;      /* the entry being extracted */
    char dest[DEST_PATH_SIZE];  /* destination folder, then each output path */
    unsigned char buffer[PAYLOAD_COPY_BUFFER];
} Extraction;

/* Opens the installer file read-only as x->stream, with a stream buffer of
 * PAYLOAD_STREAM_BUFFER bytes. Returns CORE_OK or FATAL_OPEN_EXE. */
int PayloadOpen(Extraction *x, const char *path, int64_t payload_offset);

/* Reads the 12-byte header at payload_offset and checks the entry table.
 * Needs x->stream open and x->payload_offset set. Returns CORE_OK, or
 * FATAL_READ when the file ends before the header, inside the table or
 * before the last entry's data, or when an entry has a negative size, or
 * FATAL_BAD_NAME for an entry name that is not a plain file name (see
 * PayloadNameIsSafe). Leaves header and table_pos set; nothing is written. */
int PayloadReadHeader(Extraction *x);

/* Writes every entry into the folder in x->dest, in table order, calling
 * step after each; closes x->stream at the end. Returns CORE_OK,
 * FATAL_WRITE (an output file cannot be created, or a write falls short),
 * FATAL_READ (entry data or its record cannot be read), FATAL_BAD_NAME or
 * FATAL_PATH_TOO_LONG. Files written before a failure stay as they are. */
int PayloadExtract(Extraction *x, PayloadStep step, void *context);

/* Decodes one 16-byte entry record. */
void PayloadDecodeEntry(const unsigned char record[PAYLOAD_RECORD_SIZE], PayloadEntry *entry);

/* A name is safe when it is a plain file name that stays in its folder: not
 * empty, not "." or "..", no "\", "/" or ":", no control characters, and not
 * a device name such as "CON", "nul.txt", "NUL " or "COM\xB9" (which Windows
 * would open as the device, losing the data). */
int PayloadNameIsSafe(const char *name);

#endif
