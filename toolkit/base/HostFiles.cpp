// Code page 1252 conversion, shared by every host.
#include "toolkit/base/HostFiles.h"

#include <algorithm>

namespace hostfiles {

namespace {
// Unicode code points of the bytes 0x80..0x9F in code page 1252. The five
// bytes Windows leaves undefined map to the C1 control of the same value.
const uint16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint32_t CodePoint(uint8_t B) { return B >= 0x80 && B < 0xA0 ? kHigh[B - 0x80] : B; }

void PutUtf8(std::string& Out, uint32_t C) {
  if (C < 0x80) {
    Out += static_cast<char>(C);
  } else if (C < 0x800) {
    Out += static_cast<char>(0xC0 | (C >> 6));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  } else {
    Out += static_cast<char>(0xE0 | (C >> 12));
    Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  }
}

// Decodes one UTF-8 sequence at S[I]; returns 0xFFFFFFFF for a malformed one.
uint32_t NextUtf8(const std::string& S, size_t& I) {
  uint8_t B = static_cast<uint8_t>(S[I++]);
  if (B < 0x80) return B;
  int More = B >= 0xF0 ? 3 : B >= 0xE0 ? 2 : B >= 0xC0 ? 1 : -1;
  if (More < 0 || I + More > S.size()) return 0xFFFFFFFF;
  uint32_t C = B & (0x3F >> More);
  for (int K = 0; K < More; ++K) {
    uint8_t N = static_cast<uint8_t>(S[I]);
    if ((N & 0xC0) != 0x80) return 0xFFFFFFFF;
    C = (C << 6) | (N & 0x3F);
    ++I;
  }
  return C;
}

int AnsiByte(uint32_t C) {
  if (C < 0x80 || (C >= 0xA0 && C <= 0xFF)) return static_cast<int>(C);
  for (int K = 0; K < 32; ++K)
    if (kHigh[K] == C) return 0x80 + K;
  return -1;
}
}  // namespace

std::string AnsiToUtf8(const std::string& Ansi) {
  std::string Out;
  Out.reserve(Ansi.size());
  for (char Ch : Ansi) PutUtf8(Out, CodePoint(static_cast<uint8_t>(Ch)));
  return Out;
}

std::string Utf8ToAnsi(const std::string& Utf8, bool* Ok) {
  std::string Out;
  bool All = true;
  for (size_t I = 0; I < Utf8.size();) {
    int B = AnsiByte(NextUtf8(Utf8, I));
    if (B < 0) {
      All = false;
      B = '?';
    }
    Out += static_cast<char>(B);
  }
  if (Ok) *Ok = All;
  return Out;
}

bool ListFolder(const std::string& Folder,
                const std::function<void(const std::string& Name, bool IsFolder)>& Item) {
  std::vector<std::pair<std::string, bool>> Items;
  if (!ReadFolder(Folder, Items)) return false;
  std::sort(Items.begin(), Items.end());
  for (const auto& I : Items) Item(I.first, I.second);
  return true;
}

}  // namespace hostfiles
