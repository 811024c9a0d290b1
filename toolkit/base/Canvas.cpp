#include "toolkit/base/Canvas.h"

#include <algorithm>

TCanvas::TCanvas() = default;
TCanvas::~TCanvas() = default;

TRect NormalizeRect(const TRect& r) {
  return Rect(std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
              std::max(r.Top, r.Bottom));
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  if (points.empty()) return;
  MoveTo(points[0].X, points[0].Y);
  for (std::size_t i = 1; i < points.size(); ++i) LineTo(points[i].X, points[i].Y);
}

void TCanvas::BrushCopy(const TRect& dest, const TBitmap& source, const TRect& sourceRect, TColor key) {
  std::unique_ptr<TBitmap> mask = source.CreateMask(key);
  MaskBitmap(dest, source, sourceRect, *mask);
}

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
  graphic.Draw(*this, Rect(x, y, x + graphic.GetWidth(), y + graphic.GetHeight()));
}

void TCanvas::StretchDraw(const TRect& dest, TGraphic& graphic) { graphic.Draw(*this, dest); }

void TCanvas::Frame3D(const TRect& r, TColor topLeft, TColor bottomRight) {
  TColor brushColor = FBrush.Color();
  TBrushStyle brushStyle = FBrush.Style();
  FBrush.SetStyle(bsSolid);
  FBrush.SetColor(topLeft);
  FillRect(Rect(r.Left, r.Top, r.Right - 1, r.Top + 1));
  FillRect(Rect(r.Left, r.Top, r.Left + 1, r.Bottom - 1));
  FBrush.SetColor(bottomRight);
  FillRect(Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom));
  FillRect(Rect(r.Right - 1, r.Top, r.Right, r.Bottom - 1));
  FBrush.SetColor(brushColor);
  FBrush.SetStyle(brushStyle);
}

// --- DrawText layout ---------------------------------------------------------------

namespace {

// The text without its '&' prefixes, and the index of the marked character.
std::string StripPrefixes(const std::string& text, unsigned flags, int& marked) {
  marked = -1;
  if (flags & DT_NOPREFIX) return text;
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      ++i;
      if (text[i] != '&') marked = static_cast<int>(out.size());
    } else if (text[i] == '&') {
      continue;
    }
    out += text[i];
  }
  return out;
}

struct Piece {
  std::size_t Start, Length;
};

// Splits at line breaks ("\r\n", "\n" or "\r") unless single-line.
std::vector<Piece> Paragraphs(const std::string& s, unsigned flags) {
  std::vector<Piece> out;
  if (flags & DT_SINGLELINE) return {{0, s.size()}};
  std::size_t start = 0;
  for (std::size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == '\n' || s[i] == '\r') {
      out.push_back({start, i - start});
      if (i + 1 < s.size() && s[i] == '\r' && s[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  return out;
}

// Greedy word wrap of one paragraph: a line ends before the first word
// that would pass `width`; the spaces at a break belong to neither line. A
// word wider than the whole width stands alone on its line.
void WrapParagraph(const std::string& s, Piece p, int width, const std::function<int(const std::string&)>& measure,
                   std::vector<Piece>& lines) {
  std::size_t end = p.Start + p.Length, lineStart = p.Start, lineEnd = p.Start, i = p.Start;
  bool any = false;
  while (i < end) {
    std::size_t wordStart = i;
    while (wordStart < end && s[wordStart] == ' ') ++wordStart;
    std::size_t wordEnd = wordStart;
    while (wordEnd < end && s[wordEnd] != ' ') ++wordEnd;
    if (wordStart == end) break;
    if (any && measure(s.substr(lineStart, wordEnd - lineStart)) > width) {
      lines.push_back({lineStart, lineEnd - lineStart});
      lineStart = wordStart;
    }
    lineEnd = wordEnd;
    any = true;
    i = wordEnd;
  }
  lines.push_back({lineStart, (any ? lineEnd : end) - lineStart});
}

}  // namespace

std::vector<TTextLine> LayoutText(const std::string& text, const TRect& r, unsigned flags, int lineHeight,
                                  const std::function<int(const std::string&)>& measure, TRect& needed) {
  int marked = -1;
  std::string s = StripPrefixes(text, flags, marked);
  std::vector<Piece> lines;
  for (Piece p : Paragraphs(s, flags)) {
    if ((flags & DT_WORDBREAK) && !(flags & DT_SINGLELINE))
      WrapParagraph(s, p, r.Width(), measure, lines);
    else
      lines.push_back(p);
  }
  std::vector<TTextLine> out;
  int widest = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    TTextLine line;
    line.Text = s.substr(lines[i].Start, lines[i].Length);
    line.Width = measure(line.Text);
    line.Y = static_cast<int>(i) * lineHeight;
    if (marked >= static_cast<int>(lines[i].Start) && marked < static_cast<int>(lines[i].Start + lines[i].Length))
      line.Underline = marked - static_cast<int>(lines[i].Start);
    widest = std::max(widest, line.Width);
    out.push_back(line);
  }
  // A single line may sit at the bottom or the middle; as on the platform,
  // the needed rectangle then reaches from r's top down to the text's end.
  int top = 0;
  if (flags & DT_SINGLELINE) {
    if (flags & DT_BOTTOM) top = r.Height() - lineHeight;
    else if (flags & DT_VCENTER) top = r.Height() / 2 - lineHeight / 2;
  }
  int height = static_cast<int>(out.size()) * lineHeight;
  needed = Rect(r.Left, r.Top, r.Left + widest, r.Top + top + height);
  for (TTextLine& line : out) {
    line.Y += top;
    if (flags & DT_CENTER) line.X = (r.Width() - line.Width) / 2;
    else if (flags & DT_RIGHT) line.X = r.Width() - line.Width;
  }
  return out;
}
