// Helpers of the writer tests: images built in code, and a reader of the
// codes a written frame holds.
#pragma once

#include "Support.h"

#include <memory>

// An image of one w x h frame (at 0, 0) with `pixels`, and a table of
// `colors` entries (grey ramp): global, or local when `local` is set.
std::unique_ptr<TGIFImage> MakeImage(int w, int h, int colors, const Bytes& pixels,
                                     bool interlaced = false, bool local = false);

// Appends a frame of `pixels` at (left, top) to `image`.
TGIFSubImage* AddFrame(TGIFImage& image, int left, int top, int w, int h, const Bytes& pixels);

// Frames for round trips across code sizes, run structures and both
// encoders; long single-colour runs at small code sizes make the run
// encoder clear and widen its codes inside a run.
struct TFrameCase {
  const char* Name;
  int W, H, Colors;
  enum { Random, Runs, OneColor, Rows } Kind;
};
const std::vector<TFrameCase>& FrameCases();
Bytes CasePixels(const TFrameCase& c);

// SaveToStream with the given compression.
Bytes Save(TGIFImage& image, TGIFCompression compression);

// The frame's pixels as a vector.
Bytes PixelsOf(const TGIFSubImage& frame);

// The image data of a written frame, as the decoder sees it.
struct TCodeStream {
  int CodeSize = 0;
  std::vector<int> Codes;       // every code up to and including the end code
  std::vector<int> Widths;      // the width each code was read at
  std::vector<int> BlockSizes;  // the data sub-blocks' sizes
};

// Offset of the minimum code size byte of image frame `index` (0-based,
// counting frames with an image descriptor) in a GIF stream; throws
// std::runtime_error when there is none.
std::size_t ImageDataOffset(const Bytes& gif, int index = 0);

// Unpacks the codes at `offset`, widening them as an LZW decoder does, up
// to the end code or the block terminator.
TCodeStream ReadCodes(const Bytes& gif, std::size_t offset);
