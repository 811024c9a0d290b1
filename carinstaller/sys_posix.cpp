/* POSIX side of sys.h: Windows paths are mapped by turning "\" into "/". */
#include "sys.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

/* Copies path with separators mapped; returns a malloc'ed string or NULL. */
static char *HostPath(const char *path)
{
    size_t n = strlen(path);
    char *host = (char *)malloc(n + 1);
    if (!host)
        return NULL;
    for (size_t i = 0; i <= n; i++)
        host[i] = path[i] == '\\' ? '/' : path[i];
    return host;
}

FILE *SysOpen(const char *path, const char *mode)
{
    char *host = HostPath(path);
    FILE *f = host ? fopen(host, mode) : NULL;
    free(host);
    return f;
}

int SysSeek(FILE *f, int64_t offset)
{
    return fseeko(f, (off_t)offset, SEEK_SET);
}

int64_t SysFileSize(FILE *f)
{
    struct stat st;
    if (fstat(fileno(f), &st) != 0)
        return -1;
    return (int64_t)st.st_size;
}

int SysMakeDir(const char *path)
{
    char *host = HostPath(path);
    int rc = host ? mkdir(host, 0777) : -1;
    free(host);
    return rc;
}

int SysRemove(const char *path)
{
    char *host = HostPath(path);
    int rc = host ? unlink(host) : -1;
    free(host);
    return rc;
}

enum SysCreateResult SysCreateNew(const char *path)
{
    char *host = HostPath(path);
    if (!host)
        return SYS_CANNOT_CREATE;
    int fd = open(host, O_WRONLY | O_CREAT | O_EXCL, 0666);
    int err = errno;
    free(host);
    if (fd >= 0) {
        close(fd);
        return SYS_CREATED;
    }
    return err == EEXIST ? SYS_ALREADY_EXISTS : SYS_CANNOT_CREATE;
}

struct SysFind {
    DIR *dir;
    char *folder; /* host path of the listed folder, ending in "/" */
    char *scratch;
    size_t scratch_size;
};

SysFind *SysFindFirst(const char *pattern)
{
    size_t n = strlen(pattern);
    if (n < 3 || strcmp(pattern + n - 3, "*.*") != 0)
        return NULL;
    SysFind *find = (SysFind *)calloc(1, sizeof *find);
    if (!find)
        return NULL;
    find->folder = HostPath(pattern);
    if (find->folder) {
        find->folder[n - 3] = '\0';
        find->dir = opendir(find->folder[0] ? find->folder : ".");
    }
    if (!find->dir) {
        SysFindClose(find);
        return NULL;
    }
    return find;
}

int SysFindNext(SysFind *find, const char **name, int *is_dir)
{
    struct dirent *e = readdir(find->dir);
    if (!e)
        return 0;
    size_t need = strlen(find->folder) + strlen(e->d_name) + 1;
    if (need > find->scratch_size) {
        char *grown = (char *)realloc(find->scratch, need);
        if (!grown)
            return 0;
        find->scratch = grown;
        find->scratch_size = need;
    }
    strcpy(find->scratch, find->folder);
    strcat(find->scratch, e->d_name);
    struct stat st;
    *is_dir = stat(find->scratch, &st) == 0 && S_ISDIR(st.st_mode);
    *name = e->d_name;
    return 1;
}

void SysFindClose(SysFind *find)
{
    if (!find)
        return;
    if (find->dir)
        closedir(find->dir);
    free(find->folder);
    free(find->scratch);
    free(find);
}
