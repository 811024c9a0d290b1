#include "Describe.h"

#include <sstream>

using nlohmann::json;

const char* SeverityName(TGIFSeverity s) {
  switch (s) {
    case gsInfo: return "info";
    case gsWarning: return "warning";
    default: return "error";
  }
}

static std::string Joined(const TStrings& lines) {
  std::string s;
  for (const std::string& l : lines) s += l;
  return s;
}

static json DescribeExtension(TGIFExtension* ext) {
  json e;
  if (auto gce = dynamic_cast<TGIFGraphicControlExtension*>(ext)) {
    e["type"] = "graphic_control";
    e["disposal"] = gce->GetDisposal();
    e["user_input"] = gce->GetUserInput();
    e["transparent"] = gce->GetTransparent();
    e["transparent_index"] = gce->GetTransparentColorIndex();
    e["delay"] = gce->GetDelay();
  } else if (auto c = dynamic_cast<TGIFCommentExtension*>(ext)) {
    e["type"] = "comment";
    e["text"] = Joined(c->Text());
  } else if (auto t = dynamic_cast<TGIFTextExtension*>(ext)) {
    e["type"] = "plain_text";
    e["left"] = t->GetBounds(1);
    e["top"] = t->GetBounds(2);
    e["width"] = t->GetBounds(3);
    e["height"] = t->GetBounds(4);
    e["text"] = Joined(t->Text());
  } else if (auto a = dynamic_cast<TGIFApplicationExtension*>(ext)) {
    e["type"] = "application";
    e["identifier"] = a->GetIdentifier();
    e["authentication"] = a->GetAuthentication();
    if (auto loop = dynamic_cast<TGIFAppExtNSLoop*>(ext)) {
      e["loop_count"] = loop->LoopCount();
      if (loop->BufferSize() != 0) e["buffer_size"] = loop->BufferSize();
    } else if (auto u = dynamic_cast<TGIFUnknownAppExtension*>(ext)) {
      std::size_t bytes = 0;
      for (const TGIFBlock* b : u->Blocks()) bytes += static_cast<std::size_t>(b->Size());
      e["data_bytes"] = bytes;
    }
  }
  return e;
}

json DescribeImage(TGIFImage& image, const std::vector<TWarningRecord>& warnings) {
  json info;
  TGIFHeader* h = image.Header();
  info["version"] = h->SignatureVersion();
  info["width"] = image.GetWidth();
  info["height"] = image.GetHeight();
  info["background_index"] = h->GetBackgroundColorIndex();
  info["aspect_ratio"] = h->GetAspectRatio();
  info["global_color_table_size"] = h->ColorMap()->Count();
  json loop = nullptr;
  json frames = json::array();
  for (int i = 0; i < image.Images()->Count(); ++i) {
    TGIFSubImage* f = (*image.Images())[i];
    json fr;
    fr["index"] = i;
    fr["has_image"] = f->HasDescriptor();
    fr["left"] = f->Left();
    fr["top"] = f->Top();
    fr["width"] = f->Width();
    fr["height"] = f->Height();
    fr["interlaced"] = f->GetInterlaced();
    fr["local_color_table_size"] = f->ColorMap()->Count();
    TGIFGraphicControlExtension* gce = f->GraphicControlExtension();
    fr["transparent"] = f->Transparent();
    fr["transparent_index"] = gce && gce->GetTransparent() ? json(gce->GetTransparentColorIndex()) : json(nullptr);
    fr["delay"] = gce ? gce->GetDelay() : 0;
    fr["disposal"] = gce ? gce->GetDisposal() : 0;
    fr["user_input"] = gce ? gce->GetUserInput() : false;
    json exts = json::array();
    for (int e = 0; e < f->Extensions()->Count(); ++e) {
      TGIFExtension* ext = (*f->Extensions())[e];
      if (auto l = dynamic_cast<TGIFAppExtNSLoop*>(ext))
        if (loop.is_null()) loop = l->LoopCount();
      exts.push_back(DescribeExtension(ext));
    }
    fr["extensions"] = exts;
    frames.push_back(fr);
  }
  info["loop_count"] = loop;
  info["frame_count"] = frames.size();
  info["frames"] = frames;
  json w = json::array();
  for (const TWarningRecord& r : warnings)
    w.push_back({{"severity", SeverityName(r.Severity)}, {"message", r.Message}});
  info["warnings"] = w;
  return info;
}

std::string DescribeText(const json& info) {
  std::ostringstream o;
  auto str = [](const json& j) { return j.is_null() ? std::string("none") : j.dump(); };
  o << "version: " << info["version"].get<std::string>() << "\n"
    << "screen: " << info["width"] << " x " << info["height"] << "\n"
    << "background index: " << info["background_index"] << "\n"
    << "aspect ratio: " << info["aspect_ratio"] << "\n"
    << "global color table: " << info["global_color_table_size"] << " entries\n"
    << "loop count: " << str(info["loop_count"]) << "\n"
    << "frames: " << info["frame_count"] << "\n";
  for (const json& f : info["frames"]) {
    o << "frame " << f["index"] << ": " << f["width"] << " x " << f["height"] << " at (" << f["left"]
      << ", " << f["top"] << ")" << (f["has_image"].get<bool>() ? "" : " (no image data)")
      << "\n  interlaced: " << (f["interlaced"].get<bool>() ? "yes" : "no")
      << ", local color table: " << f["local_color_table_size"] << " entries"
      << "\n  transparent: " << (f["transparent"].get<bool>() ? "yes, index " + str(f["transparent_index"]) : "no")
      << ", delay: " << f["delay"] << ", disposal: " << f["disposal"]
      << ", user input: " << (f["user_input"].get<bool>() ? "yes" : "no") << "\n";
    for (const json& e : f["extensions"]) {
      o << "  extension " << e["type"].get<std::string>();
      if (e.contains("text")) o << ": " << e["text"].get<std::string>();
      if (e.contains("identifier"))
        o << ": " << e["identifier"].get<std::string>() << e["authentication"].get<std::string>();
      if (e.contains("loop_count")) o << " loop count " << e["loop_count"];
      o << "\n";
    }
  }
  for (const json& w : info["warnings"])
    o << w["severity"].get<std::string>() << ": " << w["message"].get<std::string>() << "\n";
  return o.str();
}
