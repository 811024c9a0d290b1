/* The few file-system services the car installer needs, with a Win32 and a
 * POSIX implementation. Paths are Windows paths ("C:\Games\RF\Data\Cars");
 * the POSIX side reads every backslash as a separator so the same logic runs
 * natively against real temporary folders. */
#ifndef CARINSTALLER_SYS_H
#define CARINSTALLER_SYS_H

#include <stdint.h>
#include <stdio.h>

FILE *SysOpen(const char *path, const char *mode);

/* Absolute seek with 64-bit offsets; 0 on success. */
int SysSeek(FILE *f, int64_t offset);

/* Size of an open file, or -1. */
int64_t SysFileSize(FILE *f);

/* Creates one folder (no parents); 0 on success. */
int SysMakeDir(const char *path);

int SysRemove(const char *path);

/* Creates a new empty file, never touching an existing one. */
enum SysCreateResult { SYS_CREATED, SYS_ALREADY_EXISTS, SYS_CANNOT_CREATE };
enum SysCreateResult SysCreateNew(const char *path);

/* Folder listing by a pattern that ends in "*.*", in file-system order,
 * "." and ".." included as the platform reports them. */
typedef struct SysFind SysFind;
SysFind *SysFindFirst(const char *pattern);
/* Next entry: 1 with *name (valid until the next call) and *is_dir, or 0. */
int SysFindNext(SysFind *find, const char **name, int *is_dir);
void SysFindClose(SysFind *find);

#endif
