/* Win32 side of sys.h: the ANSI file API and the C runtime. */
#include "sys.h"

#include <windows.h>
#include <io.h>
#include <stdlib.h>

FILE *SysOpen(const char *path, const char *mode)
{
    return fopen(path, mode);
}

int SysSeek(FILE *f, int64_t offset)
{
    return _fseeki64(f, offset, SEEK_SET);
}

int64_t SysFileSize(FILE *f)
{
    LARGE_INTEGER size;
    HANDLE h = (HANDLE)_get_osfhandle(_fileno(f));
    if (h == INVALID_HANDLE_VALUE || !GetFileSizeEx(h, &size))
        return -1;
    return (int64_t)size.QuadPart;
}

int SysMakeDir(const char *path)
{
    return CreateDirectoryA(path, NULL) ? 0 : -1;
}

int SysRemove(const char *path)
{
    return DeleteFileA(path) ? 0 : -1;
}

enum SysCreateResult SysCreateNew(const char *path)
{
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return SYS_CREATED;
    }
    DWORD err = GetLastError();
    return err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS
               ? SYS_ALREADY_EXISTS : SYS_CANNOT_CREATE;
}

struct SysFind {
    HANDLE handle;
    int started;
    WIN32_FIND_DATAA data;
};

SysFind *SysFindFirst(const char *pattern)
{
    SysFind *find = (SysFind *)calloc(1, sizeof *find);
    if (!find)
        return NULL;
    find->handle = FindFirstFileA(pattern, &find->data);
    if (find->handle == INVALID_HANDLE_VALUE) {
        free(find);
        return NULL;
    }
    return find;
}

int SysFindNext(SysFind *find, const char **name, int *is_dir)
{
    if (find->started && !FindNextFileA(find->handle, &find->data))
        return 0;
    find->started = 1;
    *name = find->data.cFileName;
    *is_dir = (find->data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return 1;
}

void SysFindClose(SysFind *find)
{
    if (!find)
        return;
    FindClose(find->handle);
    free(find);
}
