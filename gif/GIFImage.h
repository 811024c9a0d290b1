// GIFImage: the GIF picture class and its object model.
//
// A loaded GIF stream becomes a TGIFImage: one TGIFHeader (logical screen
// and global colour table), a TGIFImageList of TGIFSubImage frames (each with
// its TGIFExtensionList, local colour table and de-interlaced colour
// indices), read by a tolerant reader. Recoverable faults in a stream are
// reported through TGIFImage::OnWarning and reading goes on with a repaired
// value; faults that leave no sensible object raise GIFException with one of
// the fixed texts below, and leave the image cleared and the stream where it
// was.
//
// Every class owns what it creates. Destroying a frame removes it from its
// image's list; destroying an extension removes it from its frame's list.
#pragma once

#include "toolkit/base/Classes.h"
#include "toolkit/base/Graphics.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TGIFImage;
class TGIFSubImage;
class TGIFHeader;
class TGIFExtension;
class TGIFGraphicControlExtension;

// ---------------------------------------------------------------------------
// Messages (the unit's fixed texts)

namespace GIFImageMessages {
extern const char* const _sOutOfData;            // "Premature end of data"
extern const char* const _sTooManyColors;        // "Color table overflow"
extern const char* const _sBadColorIndex;        // "Invalid color index"
extern const char* const _sBadVersion;           // "Unsupported GIF version"
extern const char* const _sBadSignature;         // "Invalid GIF signature"
extern const char* const _sScreenBadColorSize;
extern const char* const _sImageBadColorSize;
extern const char* const _sUnknownExtension;     // "Unknown extension type"
extern const char* const _sBadExtensionLabel;    // "Invalid extension introducer"
extern const char* const _sOutOfMemDIB;          // "Failed to allocate memory for GIF DIB"
extern const char* const _sDIBCreate;
extern const char* const _sDecodeTooFewBits;     // "Decoder bit buffer under-run"
extern const char* const _sDecodeCircular;       // "Circular decoder table entry"
extern const char* const _sBadTrailer;           // "Invalid Image trailer"
extern const char* const _sBadExtensionInstance;
extern const char* const _sBadBlockSize;         // "Unsupported Application Extension block size"
extern const char* const _sBadBlock;             // "Unknown GIF block type"
extern const char* const _sUnsupportedClass;     // "Object type not supported for operation"
extern const char* const _sInvalidData;          // "Invalid GIF data"
extern const char* const _sBadHeight;            // "Image height too small for contained frames"
extern const char* const _sBadWidth;             // "Image width too small for contained frames"
extern const char* const _sFailedPaste;          // "Failed to store GIF on clipboard"
extern const char* const _sScreenSizeExceeded;   // "Image exceeds Logical Screen size"
extern const char* const _sNoColorTable;
extern const char* const _sBadPixelCoordinates;  // "Invalid pixel coordinates"
extern const char* const _sUnsupportedBitmap;
extern const char* const _sInvalidPixelFormat;
extern const char* const _sBadDimension;
extern const char* const _sNoDIB;
extern const char* const _sInvalidStream;        // "Invalid stream operation"
extern const char* const _sInvalidColor;         // "Color not in color table"
extern const char* const _sInvalidBitSize;       // "Invalid Bits Per Pixel value"
extern const char* const _sEmptyColorMap;        // "Color table is empty"
extern const char* const _sEmptyImage;           // "Image is empty"
extern const char* const _sInvalidBitmapList;
extern const char* const _sInvalidReduction;
extern const char* const _sGIFImageFile;         // "GIF Image"
extern const char* const _sProgressLoading;      // "Loading..."
extern const char* const _sProgressSaving;
extern const char* const _sProgressConverting;
extern const char* const _sProgressRendering;
extern const char* const _sProgressCopying;      // "Copying..."
extern const char* const _sProgressOptimizing;
}  // namespace GIFImageMessages

// Every error the unit raises.
class GIFException : public Exception {
public:
  using Exception::Exception;
};

// ---------------------------------------------------------------------------
// Enumerations (names and order are part of the interface)

enum TGIFVersion { gvUnknown, gv87a, gv89a };
extern const char* const GIFVersions[3];  // "", "87a", "89a"

enum TGIFSeverity { gsInfo, gsWarning, gsError };

// Values 0-3 of the 3-bit disposal field.
enum TDisposalMethod { dmNone, dmNoDisposal, dmBackground, dmPrevious };

enum TGIFDrawOption {
  goAsync, goTransparent, goAnimate, goLoop, goLoopContinously, goValidateCanvas,
  goDirectDraw, goClearOnLoop, goTile, goDither, goAutoDither
};
using TGIFDrawOptions = TSet<TGIFDrawOption>;

enum TGIFCompression { gcLZW, gcRLE };

enum TColorReduction {
  rmNone, rmWindows20, rmWindows256, rmWindowsGray, rmMonochrome, rmGrayScale,
  rmNetscape, rmQuantize, rmQuantizeWindows, rmPalette
};

enum TDitherMode {
  dmNearest, dmFloydSteinberg, dmStucki, dmSierra, dmJaJuNI, dmSteveArche, dmBurkes
};

enum TGIFOptimizeOption { ooCrop, ooMerge, ooCleanup, ooColorMap, ooReduceColors };
using TGIFOptimizeOptions = TSet<TGIFOptimizeOption>;

using TGIFWarning =
    std::function<void(TObject* sender, TGIFSeverity severity, const std::string& message)>;

// ---------------------------------------------------------------------------
// Process-wide settings

extern TGIFDrawOptions GIFImageDefaultDrawOptions;   // goAsync goTransparent goAnimate goLoop goDither goAutoDither
extern TColorReduction GIFImageDefaultColorReduction;  // rmNetscape
extern int GIFImageDefaultColorReductionBits;          // 8
extern TDitherMode GIFImageDefaultDitherMode;          // dmNearest
extern TGIFCompression GIFImageDefaultCompression;     // gcLZW
extern TThreadPriority GIFImageDefaultThreadPriority;  // tpNormal
extern int GIFImageDefaultAnimationSpeed;              // 100
extern bool GIFImageRenderOnLoad;                      // false
extern bool GIFImageOptimizeOnStream;                  // false
extern bool DoAutoDither;    // screen has at most 8 bits per pixel
extern bool PaletteDevice;   // likewise
extern TClipboardFormat CF_GIF;  // "GIF Image"
extern int GIFDelayExp;       // 12 ms per delay unit
extern int GIFDefaultDelay;   // 10
extern int GIFMinimumDelay;   // 3
extern int GIFMaximumDelay;   // 1000

// Upper bounds on decoded pixels. A frame (or a logical screen) of more than
// GIFMaxFramePixels pixels, or a frame that would take an image's frames past
// GIFMaxImagePixels in all, is refused with "Failed to allocate memory for
// GIF DIB", as is any allocation the system turns down.
constexpr std::size_t GIFMaxFramePixels = std::size_t(1) << 27;   // 134,217,728
constexpr std::size_t GIFMaxImagePixels = std::size_t(1) << 30;   // 1,073,741,824
// While a stream is read, the frames' pixels are also bounded by what the
// stream's bytes can decode to: GIFLoadPixelAllowance, plus
// GIFMaxPixelsPerByte for every byte from the start of the GIF to the end of
// the stream. (An LZW code of w bits stands for at most 2^w pixels, and w is
// at most 12, so one byte of image data yields at most 4096 / 12 * 8 pixels.)
// A few hundred bytes thus cannot make the reader take more than some 16 MB.
constexpr std::size_t GIFLoadPixelAllowance = std::size_t(1) << 24;  // 4096 x 4096
constexpr std::size_t GIFMaxPixelsPerByte = 2731;

// Registers "GIF" / "GIF Image" / TGIFImage with the picture registry and the
// clipboard format "GIF Image" (into CF_GIF), and sets DoAutoDither and
// PaletteDevice from the screen. Nothing registers the class by itself: a
// program that may meet a GIF (a form description holding "TGIFImage", a
// file, the clipboard) calls this once at start-up, before it reads any.
// Calling it again does nothing.
void GIFImageInitialize();
// Unregisters TGIFImage from the picture registry.
void GIFImageFinalize();

// ---------------------------------------------------------------------------
// Colours and colour tables

struct TGIFColor {
  std::uint8_t Red = 0, Green = 0, Blue = 0;
  bool operator==(const TGIFColor& o) const { return Red == o.Red && Green == o.Green && Blue == o.Blue; }
  bool operator!=(const TGIFColor& o) const { return !(*this == o); }
};

// A colour table of up to 256 entries.
class TGIFColorMap : public TPersistent {
public:
  TGIFColorMap() = default;
  const char* ClassName() const override { return "TGIFColorMap"; }

  int Count() const { return FCount; }
  int Capacity() const { return FCapacity; }
  // Grows only: 16 for n <= 16, else n rounded up to a multiple of 32, at
  // most 256.
  void SetCapacity(int n);
  bool Optimized() const { return FOptimized; }  // the GIF sort flag
  void SetOptimized(bool v) { FOptimized = v; }
  const TGIFColor* Data() const { return FColors.data(); }

  // Raises "Color table overflow" when 256 entries exist. Clears the sort
  // flag, calls Changed, returns the new index.
  int Add(TColor color);
  int AddUnique(TColor color);
  // From the first entry when sorted, else from the last; -1 when absent.
  int IndexOf(TColor color) const;
  void Delete(int index);  // "Invalid color index" outside 0..Count-1
  void Clear();
  // Out of range: warning "Invalid color index", then "Color table is empty"
  // for an empty table, else entry 0.
  TColor GetColor(int index);
  TGIFColor GetGIFColor(int index) const { return FColors.at(static_cast<std::size_t>(index)); }
  void SetColor(int index, TColor color);  // "Invalid color index" out of range
  // 0 for an empty table, else the smallest b >= 1 with 2^b >= Count.
  int GetBitsPerPixel() const;

  static TColor RGB2Color(TGIFColor c);
  static TGIFColor Color2RGB(TColor c);

  void ImportPalette(const TPaletteHandle& palette);
  // Blue, green, red, reserved quadruples.
  void ImportColorTable(const void* quads, int count);
  void ImportColorMap(const TGIFColor* colors, int count);
  // One entry per colour with flags 4; none for an empty table.
  TPaletteHandle ExportPalette() const;
  void Assign(const TPersistent* source) override;

  // Reads `count` entries; raises "Premature end of data" when short.
  void LoadFromStream(TStream& stream, int count);
  // All entries, then zero entries up to 2^bits.
  void SaveToStream(TStream& stream) const;

  virtual void Warning(TGIFSeverity severity, const std::string& message) = 0;
  virtual bool Optimize() = 0;
  virtual void Changed() = 0;

private:
  std::vector<TGIFColor> FColors;
  int FCount = 0;
  int FCapacity = 0;
  bool FOptimized = false;
};

class TGIFGlobalColorMap : public TGIFColorMap {
public:
  explicit TGIFGlobalColorMap(TGIFHeader* header) : FHeader(header) {}
  const char* ClassName() const override { return "TGIFGlobalColorMap"; }
  void Warning(TGIFSeverity severity, const std::string& message) override;
  bool Optimize() override;
  void Changed() override;

private:
  TGIFHeader* FHeader;
};

class TGIFLocalColorMap : public TGIFColorMap {
public:
  explicit TGIFLocalColorMap(TGIFSubImage* subImage) : FSubImage(subImage) {}
  const char* ClassName() const override { return "TGIFLocalColorMap"; }
  void Warning(TGIFSeverity severity, const std::string& message) override;
  bool Optimize() override;
  void Changed() override;

private:
  TGIFSubImage* FSubImage;
};

// ---------------------------------------------------------------------------
// Items

// Base of every stream element; knows its owning image.
class TGIFItem : public TPersistent {
public:
  explicit TGIFItem(TGIFImage* image) : FGIFImage(image) {}
  TGIFItem(const TGIFItem&) = delete;
  TGIFItem& operator=(const TGIFItem&) = delete;
  const char* ClassName() const override { return "TGIFItem"; }

  TGIFImage* Image() const { return FGIFImage; }
  virtual TGIFVersion GetVersion() const { return gv87a; }
  virtual void Warning(TGIFSeverity severity, const std::string& message);
  virtual void SaveToStream(TStream& stream) = 0;
  virtual void LoadFromStream(TStream& stream) = 0;
  void SaveToFile(const std::string& fileName);
  void LoadFromFile(const std::string& fileName);

protected:
  friend class TGIFList;
  TGIFImage* FGIFImage;
};

// An owning list of items.
class TGIFList : public TPersistent {
public:
  explicit TGIFList(TGIFImage* image) : FImage(image) {}
  ~TGIFList() override { Clear(); }
  TGIFList(const TGIFList&) = delete;
  TGIFList& operator=(const TGIFList&) = delete;
  const char* ClassName() const override { return "TGIFList"; }

  TGIFImage* Image() const { return FImage; }
  int Count() const { return static_cast<int>(FItems.size()); }
  TGIFItem* Item(int index) const;
  int Add(TGIFItem* item);
  void Insert(int index, TGIFItem* item);
  // Frees the item at `index`.
  void Delete(int index);
  // Takes the item out of the list without freeing it; -1 when absent.
  int Remove(TGIFItem* item);
  int IndexOf(const TGIFItem* item) const;
  void Clear();
  virtual void Warning(TGIFSeverity severity, const std::string& message);
  virtual void SaveToStream(TStream& stream);
  virtual void LoadFromStream(TStream& stream, TObject* parent) = 0;
  // Moves the list and its items to another image (a frame that changes
  // images takes its extensions along).
  void SetImage(TGIFImage* image);

private:
  TGIFImage* FImage;
  std::vector<TGIFItem*> FItems;
};

// The frames of an image.
class TGIFImageList : public TGIFList {
public:
  using TGIFList::TGIFList;
  const char* ClassName() const override { return "TGIFImageList"; }
  TGIFSubImage* operator[](int index) const;
  // Appends the frame and returns its index. A frame made for another image
  // is moved here: it leaves that image's list and from now on uses this
  // image's global table, warnings and pixel bounds ("Failed to allocate
  // memory for GIF DIB" when they refuse it, with nothing changed). A frame
  // already in the list keeps its place.
  int Add(TGIFSubImage* frame);
  void LoadFromStream(TStream& stream, TObject* parent) override;
};

// The extensions in front of one frame.
class TGIFExtensionList : public TGIFList {
public:
  TGIFExtensionList(TGIFSubImage* subImage);
  const char* ClassName() const override { return "TGIFExtensionList"; }
  TGIFExtension* operator[](int index) const;
  void LoadFromStream(TStream& stream, TObject* parent) override;

private:
  TGIFSubImage* FSubImage;
};

// One raw data sub-block: its size byte and bytes.
class TGIFBlock {
public:
  explicit TGIFBlock(int size) : FData(static_cast<std::size_t>(size)) {}
  int Size() const { return static_cast<int>(FData.size()); }
  std::uint8_t* Data() { return FData.data(); }
  const std::uint8_t* Data() const { return FData.data(); }
  // Reads Size() bytes; raises "Premature end of data" when short.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;

private:
  std::vector<std::uint8_t> FData;
};

#pragma pack(push, 1)
struct TLogicalScreenDescriptor {
  std::uint16_t ScreenWidth = 0;
  std::uint16_t ScreenHeight = 0;
  std::uint8_t PackedFields = 0;
  std::uint8_t BackgroundColorIndex = 0;
  std::uint8_t AspectRatio = 0;
};
struct TImageDescriptor {
  std::uint8_t Separator = 0;  // 0 until a descriptor was read or made
  std::uint16_t Left = 0;
  std::uint16_t Top = 0;
  std::uint16_t Width = 0;
  std::uint16_t Height = 0;
  std::uint8_t PackedFields = 0;
};
#pragma pack(pop)

// Signature, logical screen descriptor and global colour table.
class TGIFHeader : public TGIFItem {
public:
  explicit TGIFHeader(TGIFImage* image);
  ~TGIFHeader() override;
  const char* ClassName() const override { return "TGIFHeader"; }

  TGIFVersion GetVersion() const override;
  int GetBitsPerPixel() const { return FColorMap->GetBitsPerPixel(); }
  int GetColorResolution() const { return GetBitsPerPixel() - 1; }
  TGIFColorMap* ColorMap() const { return FColorMap; }
  const TLogicalScreenDescriptor& Descriptor() const { return FLogicalScreenDescriptor; }
  // The three characters after "GIF" as the stream had them.
  const std::string& SignatureVersion() const { return FSignatureVersion; }

  int Width() const { return FLogicalScreenDescriptor.ScreenWidth; }
  int Height() const { return FLogicalScreenDescriptor.ScreenHeight; }
  void SetWidth(int w) { FLogicalScreenDescriptor.ScreenWidth = static_cast<std::uint16_t>(w); }
  void SetHeight(int h) { FLogicalScreenDescriptor.ScreenHeight = static_cast<std::uint16_t>(h); }
  int GetBackgroundColorIndex() const { return FLogicalScreenDescriptor.BackgroundColorIndex; }
  // An index past a non-empty table: warning "Invalid color index", 0 stored.
  void SetBackgroundColorIndex(int index);
  TColor GetBackgroundColor();
  void SetBackgroundColor(TColor color);
  int GetAspectRatio() const { return FLogicalScreenDescriptor.AspectRatio; }
  void SetAspectRatio(int v) { FLogicalScreenDescriptor.AspectRatio = static_cast<std::uint8_t>(v); }

  void Clear();
  void Assign(const TPersistent* source) override;
  // Raises "Invalid GIF signature" and "Premature end of data".
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

private:
  TLogicalScreenDescriptor FLogicalScreenDescriptor;
  TGIFGlobalColorMap* FColorMap;
  std::string FSignatureVersion;
};

// The one-byte trailer.
class TGIFTrailer : public TGIFItem {
public:
  using TGIFItem::TGIFItem;
  const char* ClassName() const override { return "TGIFTrailer"; }
  // A byte other than 0x3B: warning "Invalid Image trailer". No byte: silent.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
};

// An owned pixel buffer (calloc'd so that untouched pages cost nothing).
class TGIFPixels {
public:
  TGIFPixels() = default;
  ~TGIFPixels() { Free(); }
  TGIFPixels(const TGIFPixels&) = delete;
  TGIFPixels& operator=(const TGIFPixels&) = delete;
  bool Allocate(std::size_t size);
  void Free();
  std::uint8_t* Data() const { return FData; }
  std::size_t Size() const { return FSize; }

private:
  std::uint8_t* FData = nullptr;
  std::size_t FSize = 0;
};

// One frame: extensions, image descriptor, local colour table, pixels.
class TGIFSubImage : public TGIFItem {
public:
  explicit TGIFSubImage(TGIFImage* image);
  ~TGIFSubImage() override;
  const char* ClassName() const override { return "TGIFSubImage"; }

  TGIFExtensionList* Extensions() const { return FExtensions; }
  TGIFColorMap* ColorMap() const { return FColorMap; }
  const TImageDescriptor& Descriptor() const { return FImageDescriptor; }
  // Whether an image descriptor was read (a frame made only of trailing
  // extensions has none).
  bool HasDescriptor() const { return FImageDescriptor.Separator != 0; }
  TGIFGraphicControlExtension* GraphicControlExtension() const { return FGCE; }
  bool Transparent() const { return FTransparent; }

  int Left() const { return FImageDescriptor.Left; }
  int Top() const { return FImageDescriptor.Top; }
  int Width() const { return FImageDescriptor.Width; }
  int Height() const { return FImageDescriptor.Height; }
  // Index 1 left, 2 top, 3 width, 4 height.
  int GetBounds(int index) const;
  void SetBounds(int index, int value);
  TRect GetBoundsRect() const;
  TRect GetClientRect() const { return Rect(0, 0, Width(), Height()); }
  // Uses R.Right-R.Left+1 and R.Bottom-R.Top+1 as the size.
  void SetBoundsRect(const TRect& r);
  // Stores the bounds; a new size frees bitmap, mask and pixels and makes a
  // zero-filled buffer. A frame reaching past the image's width or height
  // enlarges the image (at most to 65535); when that size was non-zero it
  // warns "Image width too small for contained frames" (resp. height) and
  // then "Image exceeds Logical Screen size" (a size 0 grows silently).
  void DoSetBounds(int left, int top, int width, int height);

  bool GetInterlaced() const { return (FImageDescriptor.PackedFields & 0x40) != 0; }
  void SetInterlaced(bool v);
  // The local table when it has entries, else the global one when that has
  // entries, else the (empty) local table.
  TGIFColorMap* GetActiveColorMap() const;
  bool GetEmpty() const;
  TGIFVersion GetVersion() const override;
  int GetBitsPerPixel() const { return FColorMap->GetBitsPerPixel(); }
  int GetColorResolution() const { return GetBitsPerPixel() - 1; }

  // Row-major indices, top row first, de-interlaced. Null when empty.
  std::uint8_t* Data() const { return FData.Data(); }
  std::size_t DataSize() const { return FData.Size(); }
  // "Invalid pixel coordinates" outside the frame.
  std::uint8_t GetPixel(int x, int y) const;
  // Also "Image is empty" when the buffer has size 0.
  std::uint8_t* GetScanline(int y);
  // Allocates width x height zero bytes (none when the product is 0); raises
  // "Failed to allocate memory for GIF DIB" past the pixel bounds above.
  void NewImage();
  void FreeImage();
  void Clear();

  void Assign(const TPersistent* source) override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  // Decodes the LZW image data that follows the descriptor and colour table.
  void Decompress(TStream& stream);
  void Compress(TStream& stream);

  // Derived state, dropped whenever the pixels or tables change.
  void FreeBitmap();
  void FreeMask();
  void SetPalette(TPaletteHandle p) { FPalette = std::move(p); }

private:
  friend class TGIFGraphicControlExtension;
  friend class TGIFImageList;
  void CheckScreenBounds();
  void MoveToImage(TGIFImage* image);
  TGIFExtensionList* FExtensions;
  TGIFLocalColorMap* FColorMap;
  TImageDescriptor FImageDescriptor;
  TGIFPixels FData;
  bool FTransparent = false;
  TGIFGraphicControlExtension* FGCE = nullptr;
  std::unique_ptr<TBitmap> FBitmap;
  std::unique_ptr<TBitmap> FMask;
  bool FNeedMask = true;
  TPaletteHandle FPalette;
};

// ---------------------------------------------------------------------------
// Extensions

class TGIFExtension;

// What the registries know of an extension class: its name, how to make one
// for a frame, and the class-level FindSubExtension.
struct TGIFExtensionClass {
  const char* Name;
  TGIFExtension* (*Create)(TGIFSubImage* subImage);
  // Answers the class itself, or a more specific class after reading ahead.
  const TGIFExtensionClass* (*FindSubExtension)(TStream& stream);
};

// Base of extensions; knows its frame.
class TGIFExtension : public TGIFItem {
public:
  explicit TGIFExtension(TGIFSubImage* subImage);
  ~TGIFExtension() override;
  const char* ClassName() const override { return "TGIFExtension"; }

  TGIFSubImage* SubImage() const { return FSubImage; }
  TGIFVersion GetVersion() const override { return gv89a; }
  virtual std::uint8_t GetExtensionType() const = 0;
  virtual const TGIFExtensionClass* Class() const = 0;

  // The class for the extension at the stream's position (which is kept):
  // none when the label is unregistered or the stream has ended.
  static const TGIFExtensionClass* FindExtension(TStream& stream);
  // A later registration of the same label wins.
  static void RegisterExtension(std::uint8_t label, const TGIFExtensionClass* cls);

  // Reads the introducer and label: "Invalid extension introducer" when the
  // first byte is not 0x21, "Internal error: Extension Instance does not
  // match Extension Label" when the label is not this class's.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

protected:
  TGIFSubImage* FSubImage;
};

#pragma pack(push, 1)
struct TGIFGCExtensionRec {
  std::uint8_t BlockSize = 4;
  std::uint8_t PackedFields = 0;
  std::uint16_t DelayTime = 0;
  std::uint8_t TransparentColorIndex = 0;
  std::uint8_t Terminator = 0;
};
struct TGIFPlainTextExtensionRec {
  std::uint8_t BlockSize = 12;
  std::uint16_t Left = 0, Top = 0, Width = 0, Height = 0;
  std::uint8_t CellWidth = 0, CellHeight = 0;
  std::uint8_t TextFGColorIndex = 0, TextBGColorIndex = 0;
};
#pragma pack(pop)

// Label 0xF9. The first one made for a frame becomes its graphic control
// extension.
class TGIFGraphicControlExtension : public TGIFExtension {
public:
  explicit TGIFGraphicControlExtension(TGIFSubImage* subImage);
  ~TGIFGraphicControlExtension() override;
  const char* ClassName() const override { return "TGIFGraphicControlExtension"; }
  static const TGIFExtensionClass* ClassInfo();
  const TGIFExtensionClass* Class() const override { return ClassInfo(); }
  std::uint8_t GetExtensionType() const override { return 0xF9; }

  const TGIFGCExtensionRec& Record() const { return FRec; }
  bool GetTransparent() const { return (FRec.PackedFields & 0x01) != 0; }
  void SetTransparent(bool v);
  bool GetUserInput() const { return (FRec.PackedFields & 0x02) != 0; }
  void SetUserInput(bool v);
  int GetDisposal() const { return (FRec.PackedFields >> 2) & 7; }
  void SetDisposal(int v);
  int GetDelay() const { return FRec.DelayTime; }
  void SetDelay(int v) { FRec.DelayTime = static_cast<std::uint16_t>(v); }
  int GetTransparentColorIndex() const { return FRec.TransparentColorIndex; }
  // An index past a non-empty active table: warning "Invalid color index", 0 stored.
  void SetTransparentColorIndex(int index);
  TColor GetTransparentColor() const;
  void SetTransparentColor(TColor color);

  // A short block warns "Premature end of data" and is not an error.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

private:
  TGIFGCExtensionRec FRec;
};

// Label 0x01 (plain text).
class TGIFTextExtension : public TGIFExtension {
public:
  using TGIFExtension::TGIFExtension;
  const char* ClassName() const override { return "TGIFTextExtension"; }
  static const TGIFExtensionClass* ClassInfo();
  const TGIFExtensionClass* Class() const override { return ClassInfo(); }
  std::uint8_t GetExtensionType() const override { return 0x01; }

  const TGIFPlainTextExtensionRec& Record() const { return FRec; }
  TStrings& Text() { return FText; }
  const TStrings& Text() const { return FText; }
  int GetBounds(int index) const;        // 1 left, 2 top, 3 width, 4 height
  void SetBounds(int index, int value);
  int GetCharWidthHeight(int index) const;  // 1 cell width, 2 cell height
  void SetCharWidthHeight(int index, int value);
  int GetColorIndex(int index) const;    // 1 foreground, 2 background
  void SetColorIndex(int index, int value);
  TColor GetColor(int index) const;
  void SetColor(int index, TColor color);

  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

private:
  TGIFPlainTextExtensionRec FRec;
  TStringList FText;
};

// Label 0xFE.
class TGIFCommentExtension : public TGIFExtension {
public:
  using TGIFExtension::TGIFExtension;
  const char* ClassName() const override { return "TGIFCommentExtension"; }
  static const TGIFExtensionClass* ClassInfo();
  const TGIFExtensionClass* Class() const override { return ClassInfo(); }
  std::uint8_t GetExtensionType() const override { return 0xFE; }
  TStrings& Text() { return FText; }
  const TStrings& Text() const { return FText; }
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

private:
  TStringList FText;
};

using TGIFIdentifierCode = std::uint8_t[8];
using TGIFAuthenticationCode = std::uint8_t[3];

// Label 0xFF, generic.
class TGIFApplicationExtension : public TGIFExtension {
public:
  explicit TGIFApplicationExtension(TGIFSubImage* subImage);
  const char* ClassName() const override { return "TGIFApplicationExtension"; }
  static const TGIFExtensionClass* ClassInfo();
  const TGIFExtensionClass* Class() const override { return ClassInfo(); }
  std::uint8_t GetExtensionType() const override { return 0xFF; }

  std::string GetIdentifier() const;
  std::string GetAuthentication() const;
  // Pads with spaces, copies at most 8 (3) characters.
  void SetIdentifier(const std::string& s);
  void SetAuthentication(const std::string& s);
  // The 11 bytes identifier + authentication pick the class; a later
  // registration of the same bytes wins.
  static void RegisterExtension(const std::string& id, const TGIFExtensionClass* cls);

  // Raises "Unsupported Application Extension block size" below 10.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  virtual void LoadData(TStream& stream);
  virtual void SaveData(TStream& stream);

protected:
  TGIFIdentifierCode FIdent{};
  TGIFAuthenticationCode FAuthentication{};
};

// An application extension kept as its raw data sub-blocks.
class TGIFUnknownAppExtension : public TGIFApplicationExtension {
public:
  using TGIFApplicationExtension::TGIFApplicationExtension;
  ~TGIFUnknownAppExtension() override;
  const char* ClassName() const override { return "TGIFUnknownAppExtension"; }
  static const TGIFExtensionClass* ClassInfo();
  const TGIFExtensionClass* Class() const override { return ClassInfo(); }
  const std::vector<TGIFBlock*>& Blocks() const { return FBlocks; }
  void LoadData(TStream& stream) override;
  void SaveData(TStream& stream) override;

private:
  void ClearBlocks();
  std::vector<TGIFBlock*> FBlocks;
};

// The loop-count extension ("NETSCAPE2.0", also read from "ANIMEXTS1.0").
class TGIFAppExtNSLoop : public TGIFApplicationExtension {
public:
  explicit TGIFAppExtNSLoop(TGIFSubImage* subImage);
  const char* ClassName() const override { return "TGIFAppExtNSLoop"; }
  static const TGIFExtensionClass* ClassInfo();
  const TGIFExtensionClass* Class() const override { return ClassInfo(); }
  int LoopCount() const { return FLoops; }       // 0 = endless
  void SetLoopCount(int v) { FLoops = static_cast<std::uint16_t>(v); }
  std::uint32_t BufferSize() const { return FBufferSize; }  // 0 = not given
  void SetBufferSize(std::uint32_t v) { FBufferSize = v; }
  // Raises "Invalid GIF data" for a loop sub-block shorter than 3 bytes or
  // a buffer sub-block shorter than 5.
  void LoadData(TStream& stream) override;
  void SaveData(TStream& stream) override;

private:
  std::uint16_t FLoops = 0;
  std::uint32_t FBufferSize = 0;
};

// ---------------------------------------------------------------------------
// The picture

class TGIFImage : public TGraphic {
public:
  TGIFImage();
  ~TGIFImage() override;
  TGIFImage(const TGIFImage&) = delete;
  TGIFImage& operator=(const TGIFImage&) = delete;
  const char* ClassName() const override { return "TGIFImage"; }
  static const TGraphicClass* ClassInfo();

  TGIFHeader* Header() const { return FHeader; }
  TGIFImageList* Images() const { return FImages; }
  TGIFColorMap* GlobalColorMap() const { return FHeader->ColorMap(); }

  // --- graphic
  void Draw(TCanvas& canvas, const TRect& rect) override;
  bool GetEmpty() const override { return FImages->Count() == 0; }
  int GetWidth() const override { return FHeader->Width(); }
  int GetHeight() const override { return FHeader->Height(); }
  // The size is clamped to 0..65535 (what the header holds); then "Image
  // width too small for contained frames" (resp. height) when a frame
  // reaches past it.
  void SetWidth(int value) override;
  void SetHeight(int value) override;
  bool Equals(const TGraphic* other) const override { return other == this; }
  TGIFVersion GetVersion() const;
  int GetBitsPerPixel() const;
  int GetColorResolution() const;
  bool GetIsTransparent() const;
  TColor GetBackgroundColor() { return FHeader->GetBackgroundColor(); }
  void SetBackgroundColor(TColor c) { FHeader->SetBackgroundColor(c); }
  int GetBackgroundColorIndex() const { return FHeader->GetBackgroundColorIndex(); }
  void SetBackgroundColorIndex(int i) { FHeader->SetBackgroundColorIndex(i); }
  int GetAspectRatio() const { return FHeader->GetAspectRatio(); }
  void SetAspectRatio(int v) { FHeader->SetAspectRatio(v); }

  // Replaces the whole content by the stream's GIF. Reports progress
  // "Loading..." (start, per frame, end). Raises GIFException (see the
  // messages above); on failure the image is cleared and the stream is back
  // where it was.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  void LoadFromClipboardFormat(TClipboardFormat format, THandle data,
                               TPaletteHandle palette) override;
  // Places the GIF stream on the open clipboard under CF_GIF itself (the
  // clipboard owns that block; "Failed to store GIF on clipboard" when it
  // refuses it) and hands back the bitmap half as every graphic does: a new
  // block of the composed bitmap that the caller owns (0 when no composed
  // bitmap exists yet). Nothing for an empty image.
  void SaveToClipboardFormat(TClipboardFormat& format, THandle& data,
                             TPaletteHandle& palette) override;
  // Form-description storage: the GIF stream itself.
  void ReadData(TStream& stream) override { LoadFromStream(stream); }
  void WriteData(TStream& stream) override;

  void Assign(const TPersistent* source) override;
  // A TGIFSubImage is taken over as it is; other sources raise
  // "Object type not supported for operation". Returns the new index.
  int Add(TPersistent* source);
  void Clear();
  void NewImage() { Clear(); }
  void Pack();

  // Calls OnWarning when assigned.
  virtual void Warning(TObject* sender, TGIFSeverity severity, const std::string& message);
  void Progress(TObject* sender, TProgressStage stage, std::uint8_t percentDone, bool redrawNow,
                const TRect& r, const std::string& msg) override;
  void Changed(TObject* sender) override { TGraphic::Changed(sender); }

  // --- settings
  TGIFDrawOptions DrawOptions() const { return FDrawOptions; }
  void SetDrawOptions(TGIFDrawOptions v);
  int AnimationSpeed() const { return FAnimationSpeed; }
  void SetAnimationSpeed(int v);  // clamped to 0..1000
  TThreadPriority ThreadPriority() const { return FThreadPriority; }
  void SetThreadPriority(TThreadPriority v) { FThreadPriority = v; }
  TColor PaintBackgroundColor() const { return FPaintBackgroundColor; }
  void SetPaintBackgroundColor(TColor c) { FPaintBackgroundColor = c; }
  TColorReduction ColorReduction() const { return FColorReduction; }
  void SetColorReduction(TColorReduction v) { FColorReduction = v; }
  int ReductionBits() const { return FReductionBits; }
  void SetReductionBits(int n);  // "Invalid Bits Per Pixel value" unless 3..8
  TDitherMode DitherMode() const { return FDitherMode; }
  void SetDitherMode(TDitherMode v) { FDitherMode = v; }
  TGIFCompression Compression() const { return FCompression; }
  void SetCompression(TGIFCompression v) { FCompression = v; }

  TGIFWarning OnWarning;
  TNotifyEvent OnPaintStart, OnBeforeFrame, OnAfterFrame, OnLoopRestart, OnPaintEnd;

  // Derived state.
  void FreeBitmap();
  void SetPalette(TPaletteHandle p) override;
  TPaletteHandle GetPalette() override { return FPalette; }
  std::recursive_mutex& PainterLock() { return FPainterLock; }

private:
  friend class TGIFSubImage;
  friend class TGIFPixels;
  void StopPainters();
  bool ReservePixels(std::size_t n);
  void ReleasePixels(std::size_t n);
  void AssignImage(const TGIFImage& source);

  TGIFHeader* FHeader;
  TGIFImageList* FImages;
  TGIFDrawOptions FDrawOptions;
  int FAnimationSpeed;
  TThreadPriority FThreadPriority;
  TColor FPaintBackgroundColor = clNone;
  TColorReduction FColorReduction;
  int FReductionBits;
  TDitherMode FDitherMode;
  TGIFCompression FCompression;
  TPaletteHandle FPalette;
  std::unique_ptr<TBitmap> FBitmap;
  std::recursive_mutex FPainterLock;
  bool FDrawing = false;
  bool FPaletteBuilding = false;
  std::size_t FPixelTotal = 0;
  std::size_t FPixelLimit = GIFMaxImagePixels;  // lower while a stream is read
};
