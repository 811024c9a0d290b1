#include "InstallState.h"

namespace installmaven {

std::string PercentText(int Position, int Max) {
  long long n = static_cast<long long>(Position) * 100, q = n / Max, r = n % Max;
  if (2 * r > Max || (2 * r == Max && q % 2 != 0)) q++;
  return std::to_string(q) + "%";
}

void TProgressModel::Reset() { *this = TProgressModel(); }

void TProgressModel::Advance() {
  FPosition = FPosition + Step > Max ? Max : FPosition + Step;
  FPercent = PercentText(FPosition, Max);
}

}  // namespace installmaven
