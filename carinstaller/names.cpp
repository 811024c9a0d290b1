#include "names.h"

#include <string.h>

static int AsciiLower(int c)
{
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

int NamesEqualIgnoreCase(const char *a, size_t a_len, const char *b)
{
    if (strlen(b) != a_len)
        return 0;
    for (size_t i = 0; i < a_len; i++)
        if (AsciiLower((unsigned char)a[i]) != AsciiLower((unsigned char)b[i]))
            return 0;
    return 1;
}
