// Bitmaps where there is no platform: pixels in memory, drawn on by the
// software canvas.
#include <new>
#include <vector>

#include "toolkit/base/BitmapStorage.h"
#include "toolkit/base/SoftCanvas.h"

namespace {

class TMemoryImage : public TBitmapImage {
public:
  explicit TMemoryImage(std::size_t size) : FBits(size, 0) {}
  std::uint8_t* Bits() override { return FBits.data(); }

private:
  std::vector<std::uint8_t> FBits;
};

}  // namespace

std::unique_ptr<TBitmapImage> CreateBitmapImage(int width, int height, int bitsPerPixel, const TPaletteData*) {
  std::size_t row = static_cast<std::size_t>((width * bitsPerPixel + 31) / 32) * 4;
  try {
    return std::make_unique<TMemoryImage>(row * static_cast<std::size_t>(height));
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Out of memory");
  }
}

std::unique_ptr<TCanvas> CreateBitmapCanvas(TBitmap& bitmap) { return std::make_unique<TSoftCanvas>(bitmap); }
