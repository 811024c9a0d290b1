// Pens, brushes and fonts: plain values a canvas reads when it draws. Each
// setter stores the new value and, when it differs, signals OnChange;
// Assign copies every value from another object of the same class and
// signals once.
#pragma once

#include <string>

#include "toolkit/base/Classes.h"
#include "toolkit/base/Colors.h"

class TGraphicsObject : public TPersistent {
public:
  const char* ClassName() const override { return "TGraphicsObject"; }
  TNotifyEvent OnChange;

protected:
  virtual void Changed();
  template <class T>
  void Set(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Changed();
  }
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// How the pen combines with the pixels under it; the values are the
// platform's binary raster operations (pmCopy = 13).
enum TPenMode {
  pmBlack = 1, pmNotMerge, pmMaskNotPen, pmNotCopy, pmMaskPenNot, pmNot, pmXor, pmNotMask,
  pmMask, pmNotXor, pmNop, pmMergeNotPen, pmCopy, pmMergePenNot, pmMerge, pmWhite
};

class TPen : public TGraphicsObject {
public:
  const char* ClassName() const override { return "TPen"; }
  void Assign(const TPersistent* source) override;
  TColor Color() const { return FColor; }
  void SetColor(TColor v) { Set(FColor, v); }
  int Width() const { return FWidth; }
  void SetWidth(int v) { Set(FWidth, v < 0 ? 0 : v); }
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle v) { Set(FStyle, v); }
  TPenMode Mode() const { return FMode; }
  void SetMode(TPenMode v) { Set(FMode, v); }

private:
  TColor FColor = clBlack;
  int FWidth = 1;
  TPenStyle FStyle = psSolid;
  TPenMode FMode = pmCopy;
};

// bsSolid and bsClear, then the six hatches in the platform's order.
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TGraphicsObject {
public:
  const char* ClassName() const override { return "TBrush"; }
  void Assign(const TPersistent* source) override;
  TColor Color() const { return FColor; }
  void SetColor(TColor v) { Set(FColor, v); }
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle v) { Set(FStyle, v); }

private:
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
using TFontCharset = std::uint8_t;
constexpr TFontCharset ANSI_CHARSET_VALUE = 0, DEFAULT_CHARSET_VALUE = 1;

// Height is in pixels (negative: the character height without internal
// leading, as the platform takes it); Size is in points at PixelsPerInch.
class TFont : public TGraphicsObject {
public:
  static constexpr int PixelsPerInch = 96;
  const char* ClassName() const override { return "TFont"; }
  void Assign(const TPersistent* source) override;
  const std::string& Name() const { return FName; }
  void SetName(const std::string& v) { Set(FName, v); }
  int Height() const { return FHeight; }
  void SetHeight(int v) { Set(FHeight, v); }
  int Size() const;
  void SetSize(int points);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles v) { Set(FStyle, v); }
  TColor Color() const { return FColor; }
  void SetColor(TColor v) { Set(FColor, v); }
  TFontCharset Charset() const { return FCharset; }
  void SetCharset(TFontCharset v) { Set(FCharset, v); }

private:
  std::string FName = "MS Sans Serif";
  int FHeight = -11;
  TFontStyles FStyle;
  TColor FColor = clWindowText;
  TFontCharset FCharset = DEFAULT_CHARSET_VALUE;
};
