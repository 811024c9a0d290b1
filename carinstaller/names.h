/* Comparing file and member names as Windows does for ASCII letters. */
#ifndef CARINSTALLER_NAMES_H
#define CARINSTALLER_NAMES_H

#include <stddef.h>

/* Whether the first a_len characters of a equal the whole of b, letters
 * compared without regard to case. */
int NamesEqualIgnoreCase(const char *a, size_t a_len, const char *b);

#endif
