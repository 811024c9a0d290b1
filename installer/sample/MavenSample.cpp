// The sample package's stand-in for Maven.exe: it leaves "maven-started.txt"
// in its working folder, naming itself and that folder, and ends. (The
// installer starts Maven in the Maven folder, so the note shows where.)
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char self[MAX_PATH * 2] = "", folder[MAX_PATH * 2] = "";
  GetModuleFileNameA(nullptr, self, sizeof self);
  GetCurrentDirectoryA(sizeof folder, folder);
  std::FILE* note = std::fopen("maven-started.txt", "wb");
  if (!note) return 1;
  std::fprintf(note, "%s\r\n%s\r\n", self, folder);
  std::fclose(note);
  return 0;
}
