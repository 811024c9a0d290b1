// Portable graphics core of the toolkit: palettes, the abstract graphic
// with change and progress notifications, and the picture with its registry of graphic classes
// by file extension, by class name and by clipboard format.
#pragma once

#include "toolkit/base/Classes.h"
#include "toolkit/base/Clipboard.h"
#include "toolkit/base/Colors.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// One entry of a system palette (the flags byte as the platform has it).
struct TPaletteEntry {
  std::uint8_t Red = 0, Green = 0, Blue = 0, Flags = 0;
};

// A system palette. Shared, immutable once made; empty handle = none.
struct TPaletteData {
  std::vector<TPaletteEntry> Entries;
};
using TPaletteHandle = std::shared_ptr<const TPaletteData>;

enum TProgressStage { psStarting, psRunning, psEnding };

using TProgressEvent = std::function<void(TObject* sender, TProgressStage stage,
                                          std::uint8_t percentDone, bool redrawNow,
                                          const TRect& r, const std::string& msg)>;

class TCanvas;  // Canvas.h

// The abstract picture: something with a size that can be loaded, stored,
// copied through the clipboard and drawn. Setters signal Changed; long work
// reports Progress. Both reach the OnChange / OnProgress handlers.
class TGraphic : public TPersistent {
public:
  const char* ClassName() const override { return "TGraphic"; }

  virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;
  virtual bool GetEmpty() const = 0;
  virtual int GetWidth() const = 0;
  virtual int GetHeight() const = 0;
  virtual void SetWidth(int value) = 0;
  virtual void SetHeight(int value) = 0;
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
  virtual void LoadFromFile(const std::string& fileName);
  virtual void SaveToFile(const std::string& fileName);
  // `data` 0 means "fetch the clipboard's data for `format`".
  virtual void LoadFromClipboardFormat(TClipboardFormat format, THandle data,
                                       TPaletteHandle palette) = 0;
  // One rule for every graphic: `data` comes back as a new block that the
  // caller owns (it places it on the clipboard under `format`, which takes it
  // over, or frees it), or 0 when there is nothing to place. Blocks a graphic
  // puts on the open clipboard itself are the clipboard's and never returned.
  virtual void SaveToClipboardFormat(TClipboardFormat& format, THandle& data,
                                     TPaletteHandle& palette) = 0;
  virtual TPaletteHandle GetPalette() { return {}; }
  virtual void SetPalette(TPaletteHandle) {}
  virtual bool Equals(const TGraphic* other) const;
  // Form-description storage of the graphic's own bytes.
  virtual void ReadData(TStream& stream) { LoadFromStream(stream); }
  virtual void WriteData(TStream& stream) { SaveToStream(stream); }

  bool Modified() const { return FModified; }
  void SetModified(bool v) { FModified = v; }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool v) { FTransparent = v; }

  TNotifyEvent OnChange;
  TProgressEvent OnProgress;

protected:
  virtual void Changed(TObject* sender);
  virtual void Progress(TObject* sender, TProgressStage stage, std::uint8_t percentDone,
                        bool redrawNow, const TRect& r, const std::string& msg);

private:
  bool FModified = false;
  bool FTransparent = false;
};

// Describes a graphic class for the registries: its name ("TGIFImage") and
// how to make an empty instance.
struct TGraphicClass {
  const char* Name;
  std::function<TGraphic*()> Create;
};

// A holder of one graphic of any registered class. Owns its graphic.
class TPicture : public TPersistent {
public:
  TPicture() = default;
  ~TPicture() override;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;
  const char* ClassName() const override { return "TPicture"; }

  TGraphic* Graphic() const { return FGraphic; }
  // Takes a copy of `graphic` (a new instance of its class assigned from it).
  void SetGraphic(TGraphic* graphic);
  void Assign(const TPersistent* source) override;
  int Width() const { return FGraphic ? FGraphic->GetWidth() : 0; }
  int Height() const { return FGraphic ? FGraphic->GetHeight() : 0; }

  // Loads a file by the class registered for its extension; raises
  // EInvalidGraphic "Unknown picture file extension (.<ext>)".
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);

  // The stored form of a picture property: the class name as a
  // length-prefixed string (one length byte), then the graphic's own data up
  // to the end of the value. An empty name means no graphic. Raises
  // EInvalidGraphic "Invalid stream format" for an unregistered class name.
  void ReadData(TStream& stream);
  void WriteData(TStream& stream);

  static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                 const TGraphicClass* graphicClass);
  static void RegisterClipboardFormat(TClipboardFormat format, const TGraphicClass* graphicClass);
  static void UnregisterGraphicClass(const TGraphicClass* graphicClass);
  static const TGraphicClass* FindByName(const std::string& className);
  static const TGraphicClass* FindByExtension(const std::string& extension);
  static const TGraphicClass* FindByClipboardFormat(TClipboardFormat format);
  // "GIF Image (*.gif)|*.gif|..." in registration order.
  static std::string GraphicFilter();

  TNotifyEvent OnChange;
  TProgressEvent OnProgress;

private:
  void ReplaceGraphic(TGraphic* g);
  TGraphic* FGraphic = nullptr;
};

// Reads a length-prefixed string (one length byte, then the characters) as
// stored descriptions hold class names. Raises EReadError when short.
std::string ReadShortString(TStream& stream);
void WriteShortString(TStream& stream, const std::string& s);

#include "toolkit/base/Bitmap.h"  // the toolkit's own graphic class
