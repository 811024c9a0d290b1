// Stands in for the game: leaves "ash-started.txt" in its working folder.
#include <cstdio>

int main()
{
    std::FILE *f = std::fopen("ash-started.txt", "w");
    if (!f)
        return 1;
    std::fputs("started\n", f);
    std::fclose(f);
    return 0;
}
