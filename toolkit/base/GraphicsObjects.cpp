#include "toolkit/base/GraphicsObjects.h"

#include <cmath>

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

void TPen::Assign(const TPersistent* source) {
  auto* p = dynamic_cast<const TPen*>(source);
  if (!p) return TGraphicsObject::Assign(source);
  FColor = p->FColor;
  FWidth = p->FWidth;
  FStyle = p->FStyle;
  FMode = p->FMode;
  Changed();
}

void TBrush::Assign(const TPersistent* source) {
  auto* b = dynamic_cast<const TBrush*>(source);
  if (!b) return TGraphicsObject::Assign(source);
  FColor = b->FColor;
  FStyle = b->FStyle;
  Changed();
}

void TFont::Assign(const TPersistent* source) {
  auto* f = dynamic_cast<const TFont*>(source);
  if (!f) return TGraphicsObject::Assign(source);
  FName = f->FName;
  FHeight = f->FHeight;
  FStyle = f->FStyle;
  FColor = f->FColor;
  FCharset = f->FCharset;
  Changed();
}

// Size = -Height * 72 / PixelsPerInch and back, each rounded to nearest, so
// the 8-point default is the height -11.
int TFont::Size() const { return static_cast<int>(std::lround(-FHeight * 72.0 / PixelsPerInch)); }

void TFont::SetSize(int points) { SetHeight(-static_cast<int>(std::lround(points * double(PixelsPerInch) / 72.0))); }
