/* Finding where a car goes: an installed copy of the same car, recognised by
 * the serial number in its archive, or a new numbered car folder.
 *
 * The game folder holds two cars folders, searched in this order:
 *   Data\Cars       the game's own cars
 *   SaveData\Cars   added cars; new car folders are made here
 * Every subfolder of a cars folder except "Traffic" (any case) is a car
 * folder holding the car archive "car.viv".
 *
 * Car archive directory (big-endian words):
 *   +0   magic ("BIGF")     +4  archive size (unused)
 *   +8   member count       +12 header length (header and directory)
 *   +16  entries: u32 offset, u32 size, NUL-terminated name, back to back.
 * The car's serial number is the little-endian word at byte 798 of its
 * member "fedata.eng".
 */
#ifndef CARINSTALLER_CARS_H
#define CARINSTALLER_CARS_H

#include <stddef.h>
#include <stdint.h>

#define CAR_PATH_SIZE 300      /* paths are limited to 299 characters */
#define GAME_PATH_QUERY 299    /* bytes the registry query may fill */
#define CARS_FOLDER_DATA "Data\\Cars"
#define CARS_FOLDER_SAVE "SaveData\\Cars"
#define CAR_ARCHIVE "car.viv"
#define CAR_SERIAL_MEMBER "fedata.eng"
#define CAR_SERIAL_READ_AT 2   /* the 956-byte block starts at member byte 2 */
#define CAR_SERIAL_BLOCK 956
#define CAR_SERIAL_POS 796     /* in the block, so member byte 798 */
#define CAR_PROBE_FILE "nulish"

/* Joins a folder and a name with one "\" between them (none added when the
 * folder is empty or already ends in "\") into out[cap]. 0, or -1 when the
 * result would not fit. */
int PathJoin(char *out, size_t cap, const char *folder, const char *name);

/* A car archive's directory block: header length + 48 bytes, zero-filled past
 * the end of the file, with words 0, 8 and 12 in host order. */
typedef struct CarDirectory {
    unsigned char *block;
    size_t size;
    uint32_t count;
} CarDirectory;

/* Parses a directory block from raw archive bytes (as read from the file's
 * start). Fills dir and returns 0, or -1 when the block cannot be had. */
int CarDirectoryParse(const unsigned char *data, size_t data_size, uint64_t file_size,
                      CarDirectory *dir);
void CarDirectoryFree(CarDirectory *dir);

/* Looks up a member by name (the part after the last "\", at most 29
 * characters, any case). The walk never leaves the block; an entry that would
 * run past it ends the walk. Offset and size are 0 when the member is absent. */
void CarDirectoryLookUp(const CarDirectory *dir, const char *member,
                        uint32_t *offset, uint32_t *size);

/* Whether the archive at path belongs to the car with this serial number.
 * An archive that cannot be read, has no "fedata.eng", or ends before the
 * serial's 956-byte block is complete does not match. */
int CarArchiveHasSerial(const char *archive_path, uint32_t serial);

/* Searches game\cars_folder for the car. Returns 1 with found[CAR_PATH_SIZE]
 * set to the car folder (no trailing "\"), or 0 when not found. A car folder
 * whose archive path would not fit CAR_PATH_SIZE does not match, and a cars
 * folder whose listing pattern would not fit holds nothing. */
int CarSearchFolder(const char *game, const char *cars_folder, uint32_t serial, char *found);

/* Whether a candidate folder exists, by creating and deleting the scratch
 * file "nulish" in it. An existing "nulish" also means the folder exists,
 * and is left alone. */
int CarProbeFolder(const char *candidate);

/* Makes the next free numbered folder ("%04X" from 0) in game\SaveData\Cars
 * and returns CORE_OK with out[CAR_PATH_SIZE] set, or FATAL_CREATE_FOLDER,
 * or FATAL_PATH_TOO_LONG. */
int CarCreateFolder(const char *game, char *out);

/* The destination folder for a payload: an installed copy of the car (the
 * one in SaveData\Cars first), else for a car payload a new car folder.
 * Returns CORE_OK with dest[CAR_PATH_SIZE] set, FATAL_NO_CAR for a showcase
 * whose car is not installed, FATAL_CREATE_FOLDER, or FATAL_PATH_TOO_LONG
 * when the new car folder's path would not fit. */
int CarDecideDestination(const char *game, uint32_t kind, uint32_t serial, char *dest);

#endif
