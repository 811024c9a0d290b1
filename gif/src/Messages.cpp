// The unit's fixed texts and process-wide settings.
#include "gif/GIFImage.h"

namespace GIFImageMessages {
const char* const _sOutOfData = "Premature end of data";
const char* const _sTooManyColors = "Color table overflow";
const char* const _sBadColorIndex = "Invalid color index";
const char* const _sBadVersion = "Unsupported GIF version";
const char* const _sBadSignature = "Invalid GIF signature";
const char* const _sScreenBadColorSize = "Invalid number of colors specified in Screen Descriptor";
const char* const _sImageBadColorSize = "Invalid number of colors specified in Image Descriptor";
const char* const _sUnknownExtension = "Unknown extension type";
const char* const _sBadExtensionLabel = "Invalid extension introducer";
const char* const _sOutOfMemDIB = "Failed to allocate memory for GIF DIB";
const char* const _sDIBCreate = "Failed to create DIB from Bitmap";
const char* const _sDecodeTooFewBits = "Decoder bit buffer under-run";
const char* const _sDecodeCircular = "Circular decoder table entry";
const char* const _sBadTrailer = "Invalid Image trailer";
const char* const _sBadExtensionInstance = "Internal error: Extension Instance does not match Extension Label";
const char* const _sBadBlockSize = "Unsupported Application Extension block size";
const char* const _sBadBlock = "Unknown GIF block type";
const char* const _sUnsupportedClass = "Object type not supported for operation";
const char* const _sInvalidData = "Invalid GIF data";
const char* const _sBadHeight = "Image height too small for contained frames";
const char* const _sBadWidth = "Image width too small for contained frames";
const char* const _sFailedPaste = "Failed to store GIF on clipboard";
const char* const _sScreenSizeExceeded = "Image exceeds Logical Screen size";
const char* const _sNoColorTable = "No global or local color table defined";
const char* const _sBadPixelCoordinates = "Invalid pixel coordinates";
const char* const _sUnsupportedBitmap = "Unsupported bitmap format";
const char* const _sInvalidPixelFormat = "Unsupported PixelFormat";
const char* const _sBadDimension = "Invalid image dimensions";
const char* const _sNoDIB = "Image has no DIB";
const char* const _sInvalidStream = "Invalid stream operation";
const char* const _sInvalidColor = "Color not in color table";
const char* const _sInvalidBitSize = "Invalid Bits Per Pixel value";
const char* const _sEmptyColorMap = "Color table is empty";
const char* const _sEmptyImage = "Image is empty";
const char* const _sInvalidBitmapList = "Invalid bitmap list";
const char* const _sInvalidReduction = "Invalid reduction method";
const char* const _sGIFImageFile = "GIF Image";
const char* const _sProgressLoading = "Loading...";
const char* const _sProgressSaving = "Saving...";
const char* const _sProgressConverting = "Converting...";
const char* const _sProgressRendering = "Rendering...";
const char* const _sProgressCopying = "Copying...";
const char* const _sProgressOptimizing = "Optimizing...";
}  // namespace GIFImageMessages

const char* const GIFVersions[3] = {"", "87a", "89a"};

TGIFDrawOptions GIFImageDefaultDrawOptions = {goAsync, goTransparent, goAnimate,
                                              goLoop,  goDither,      goAutoDither};
TColorReduction GIFImageDefaultColorReduction = rmNetscape;
int GIFImageDefaultColorReductionBits = 8;
TDitherMode GIFImageDefaultDitherMode = dmNearest;
TGIFCompression GIFImageDefaultCompression = gcLZW;
TThreadPriority GIFImageDefaultThreadPriority = tpNormal;
int GIFImageDefaultAnimationSpeed = 100;
bool GIFImageRenderOnLoad = false;
bool GIFImageOptimizeOnStream = false;
bool DoAutoDither = false;
bool PaletteDevice = false;
TClipboardFormat CF_GIF = 0;
int GIFDelayExp = 12;
int GIFDefaultDelay = 10;
int GIFMinimumDelay = 3;
int GIFMaximumDelay = 1000;
