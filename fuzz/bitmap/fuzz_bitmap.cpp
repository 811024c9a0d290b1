// Bitmap readers over arbitrary bytes: a BMP stream (first byte even) or the
// stored form of form descriptions (odd) either loads or raises the
// toolkit's errors; a loaded bitmap survives a BMP round trip and drawing.
#include <cstdint>

#include "toolkit/base/SoftCanvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    TReadOnlyMemoryStream in(data + 1, size - 1);
    TBitmap bitmap;
    try {
        if (data[0] % 2 == 0)
            bitmap.LoadFromStream(in);
        else
            bitmap.ReadData(in);
    } catch (const Exception &) {
        return 0;
    }
    if (static_cast<long long>(bitmap.GetWidth()) * bitmap.GetHeight() > 1 << 20)
        return 0;
    TMemoryStream out;
    bitmap.SaveToStream(out);
    out.SetPosition(0);
    TBitmap back;
    back.LoadFromStream(out);
    TBitmap target;
    target.SetSize(16, 16);
    TSoftCanvas canvas(target);
    canvas.StretchDraw(Rect(-3, 2, 14, 9), bitmap);
    return 0;
}
