#include "toolkit/base/Graphics.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>

// --- TGraphic --------------------------------------------------------------

void TGraphic::LoadFromFile(const std::string& fileName) {
  TFileStream s(fileName, fmOpenReadShareDenyWrite);
  LoadFromStream(s);
}

void TGraphic::SaveToFile(const std::string& fileName) {
  TFileStream s(fileName, fmCreate);
  SaveToStream(s);
}

bool TGraphic::Equals(const TGraphic* other) const { return other == this; }

void TGraphic::Changed(TObject*) {
  FModified = true;
  if (OnChange) OnChange(this);
}

void TGraphic::Progress(TObject* sender, TProgressStage stage, std::uint8_t percentDone,
                        bool redrawNow, const TRect& r, const std::string& msg) {
  if (OnProgress) OnProgress(sender, stage, percentDone, redrawNow, r, msg);
}

// --- picture registries ----------------------------------------------------

namespace {

struct FileFormat {
  std::string extension, description;
  const TGraphicClass* cls;
};
struct ClipFormat {
  TClipboardFormat format;
  const TGraphicClass* cls;
};
struct Registry {
  std::mutex lock;
  std::vector<FileFormat> files;
  std::vector<ClipFormat> clips;
};

Registry& Reg() {
  static Registry r;
  return r;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string ExtensionOf(const std::string& fileName) {
  std::size_t dot = fileName.find_last_of('.');
  std::size_t sep = fileName.find_last_of("/\\");
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return "";
  return fileName.substr(dot + 1);
}

}  // namespace

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  const TGraphicClass* graphicClass) {
  std::lock_guard<std::mutex> g(Reg().lock);
  Reg().files.push_back({Lower(extension), description, graphicClass});
}

void TPicture::RegisterClipboardFormat(TClipboardFormat format, const TGraphicClass* graphicClass) {
  std::lock_guard<std::mutex> g(Reg().lock);
  Reg().clips.push_back({format, graphicClass});
}

void TPicture::UnregisterGraphicClass(const TGraphicClass* graphicClass) {
  std::lock_guard<std::mutex> g(Reg().lock);
  auto& f = Reg().files;
  f.erase(std::remove_if(f.begin(), f.end(), [&](const FileFormat& x) { return x.cls == graphicClass; }),
          f.end());
  auto& c = Reg().clips;
  c.erase(std::remove_if(c.begin(), c.end(), [&](const ClipFormat& x) { return x.cls == graphicClass; }),
          c.end());
}

const TGraphicClass* TPicture::FindByName(const std::string& className) {
  std::lock_guard<std::mutex> g(Reg().lock);
  for (auto it = Reg().files.rbegin(); it != Reg().files.rend(); ++it)
    if (className == it->cls->Name) return it->cls;
  for (auto it = Reg().clips.rbegin(); it != Reg().clips.rend(); ++it)
    if (className == it->cls->Name) return it->cls;
  return nullptr;
}

const TGraphicClass* TPicture::FindByExtension(const std::string& extension) {
  std::lock_guard<std::mutex> g(Reg().lock);
  std::string e = Lower(extension);
  for (auto it = Reg().files.rbegin(); it != Reg().files.rend(); ++it)
    if (it->extension == e) return it->cls;
  return nullptr;
}

const TGraphicClass* TPicture::FindByClipboardFormat(TClipboardFormat format) {
  std::lock_guard<std::mutex> g(Reg().lock);
  for (auto it = Reg().clips.rbegin(); it != Reg().clips.rend(); ++it)
    if (it->format == format) return it->cls;
  return nullptr;
}

std::string TPicture::GraphicFilter() {
  std::lock_guard<std::mutex> g(Reg().lock);
  std::string out;
  for (const FileFormat& f : Reg().files) {
    if (!out.empty()) out += '|';
    out += f.description + " (*." + f.extension + ")|*." + f.extension;
  }
  return out;
}

// --- TPicture --------------------------------------------------------------

TPicture::~TPicture() { delete FGraphic; }

void TPicture::ReplaceGraphic(TGraphic* g) {
  delete FGraphic;
  FGraphic = g;
  if (FGraphic) {
    FGraphic->OnChange = [this](TObject*) { if (OnChange) OnChange(this); };
    FGraphic->OnProgress = [this](TObject* s, TProgressStage st, std::uint8_t p, bool r,
                                  const TRect& rc, const std::string& m) {
      if (OnProgress) OnProgress(s, st, p, r, rc, m);
    };
  }
  if (OnChange) OnChange(this);
}

void TPicture::SetGraphic(TGraphic* graphic) {
  if (!graphic) {
    ReplaceGraphic(nullptr);
    return;
  }
  const TGraphicClass* cls = FindByName(graphic->ClassName());
  if (!cls) throw EInvalidGraphic(SInvalidImage);
  std::unique_ptr<TGraphic> copy(cls->Create());
  copy->Assign(graphic);
  ReplaceGraphic(copy.release());
}

void TPicture::Assign(const TPersistent* source) {
  if (!source) {
    ReplaceGraphic(nullptr);
  } else if (auto p = dynamic_cast<const TPicture*>(source)) {
    if (p != this) SetGraphic(p->FGraphic);
  } else if (auto g = dynamic_cast<const TGraphic*>(source)) {
    SetGraphic(const_cast<TGraphic*>(g));
  } else {
    TPersistent::Assign(source);
  }
}

void TPicture::LoadFromFile(const std::string& fileName) {
  std::string ext = ExtensionOf(fileName);
  const TGraphicClass* cls = FindByExtension(ext);
  if (!cls) throw EInvalidGraphic(FormatMessage1(SUnknownExtension, ext));
  std::unique_ptr<TGraphic> g(cls->Create());
  g->LoadFromFile(fileName);
  ReplaceGraphic(g.release());
}

void TPicture::SaveToFile(const std::string& fileName) {
  if (FGraphic) FGraphic->SaveToFile(fileName);
}

void TPicture::ReadData(TStream& stream) {
  std::string name = ReadShortString(stream);
  if (name.empty()) {
    ReplaceGraphic(nullptr);
    return;
  }
  const TGraphicClass* cls = FindByName(name);
  if (!cls) throw EInvalidGraphic(SInvalidImage);
  std::unique_ptr<TGraphic> g(cls->Create());
  g->ReadData(stream);
  ReplaceGraphic(g.release());
}

void TPicture::WriteData(TStream& stream) {
  WriteShortString(stream, FGraphic ? FGraphic->ClassName() : "");
  if (FGraphic) FGraphic->WriteData(stream);
}

std::string ReadShortString(TStream& stream) {
  std::uint8_t len = 0;
  stream.ReadBuffer(&len, 1);
  std::string s(len, '\0');
  stream.ReadBuffer(&s[0], len);
  return s;
}

void WriteShortString(TStream& stream, const std::string& s) {
  std::uint8_t len = static_cast<std::uint8_t>(std::min<std::size_t>(s.size(), 255));
  stream.WriteBuffer(&len, 1);
  stream.WriteBuffer(s.data(), len);
}
