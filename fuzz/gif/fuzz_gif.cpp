// Any bytes: the image loads, or LoadFromStream raises GIFException.
#include "gif/GIFImage.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TGIFImage image;
  int warnings = 0;
  image.OnWarning = [&warnings](TObject*, TGIFSeverity, const std::string&) { ++warnings; };
  TReadOnlyMemoryStream stream(data, size);
  try {
    image.LoadFromStream(stream);
  } catch (const GIFException&) {
    return 0;
  }
  // Touch what a renderer would read.
  unsigned sum = 0;
  for (int i = 0; i < image.Images()->Count(); ++i) {
    TGIFSubImage* f = (*image.Images())[i];
    if (!f->GetEmpty()) sum += f->Data()[f->DataSize() - 1];
    TGIFColorMap* map = f->GetActiveColorMap();
    if (map->Count() > 0) sum += map->GetGIFColor(map->Count() - 1).Red;
  }
  return static_cast<int>(sum & 0) + (warnings & 0);
}
