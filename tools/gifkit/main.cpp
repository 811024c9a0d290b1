// gifkit: inspects GIFs, dumps their frames, writes GIFs.
//
//   gifkit info [--json] FILE
//   gifkit frames FILE -o DIR [--png]
//   gifkit encode IN.png -o OUT.gif [--rle] [--interlace]
//       a palette PNG as one frame: its palette as global table, its indices
//       kept, its first fully transparent entry as the transparent colour
//   gifkit copy IN.gif -o OUT.gif [--rle]
//       every frame re-encoded, with its extensions
//
// Exit status: 0 on success, 1 with the error's text when the GIF cannot be
// loaded or the output cannot be written, 2 on bad usage. Warnings of the
// reader go to standard error as "gifkit: <severity>: <text>".
//
// JSON of "info --json" (stable; other tools read it):
//   version (the 3 characters after "GIF"), width, height, background_index,
//   aspect_ratio, global_color_table_size, loop_count (null when absent),
//   frame_count, frames[] {index, has_image, left, top, width, height,
//   interlaced, local_color_table_size, transparent, transparent_index (null
//   when not transparent), delay, disposal, user_input, extensions[] {type:
//   graphic_control|comment|plain_text|application, ...}},
//   warnings[] {severity: info|warning|error, message}.
#include "Describe.h"
#include "PaletteImage.h"
#include "toolkit/base/HostFiles.h"

#include <CLI/CLI.hpp>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace fs = std::filesystem;

namespace {

// The toolkit's file streams take system names (code page 1252); the
// command line gives the host's.
std::string SysName(const std::string& host) { return hostfiles::SystemName(host); }

struct TLoaded {
  TGIFImage Image;
  std::vector<TWarningRecord> Warnings;
};

void Load(TLoaded& l, const std::string& file) {
  l.Image.OnWarning = [&l](TObject*, TGIFSeverity s, const std::string& m) {
    l.Warnings.push_back({s, m});
    std::cerr << "gifkit: " << SeverityName(s) << ": " << m << "\n";
  };
  TFileStream stream(SysName(file), fmOpenReadShareDenyWrite);
  l.Image.LoadFromStream(stream);
}

void WriteFile(const fs::path& p, const void* data, std::size_t size) {
  std::ofstream o(p, std::ios::binary);
  o.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!o) throw Exception(FormatMessage1(SFCreateError, p.string()));
}

int Info(const std::string& file, bool asJson) {
  TLoaded l;
  Load(l, file);
  nlohmann::json info = DescribeImage(l.Image, l.Warnings);
  if (asJson)
    std::cout << info.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
  else
    std::cout << DescribeText(info);
  return 0;
}

int Frames(const std::string& file, const std::string& dir, bool png) {
  TLoaded l;
  Load(l, file);
  fs::path out = fs::u8path(dir);
  fs::create_directories(out);
  for (int i = 0; i < l.Image.Images()->Count(); ++i) {
    TGIFSubImage* f = (*l.Image.Images())[i];
    char stem[32];
    std::snprintf(stem, sizeof stem, "frame-%03d", i);
    const std::size_t n = f->GetEmpty() ? 0 : f->DataSize();
    WriteFile(out / (std::string(stem) + ".idx"), f->Data(), n);
    TGIFColorMap* map = f->GetActiveColorMap();
    WriteFile(out / (std::string(stem) + ".pal"), map->Data(), static_cast<std::size_t>(map->Count()) * 3);
    if (png && n != 0) {
      std::vector<std::uint8_t> rgba(n * 4);
      const bool transparent = f->Transparent() && f->GraphicControlExtension();
      const int ti = transparent ? f->GraphicControlExtension()->GetTransparentColorIndex() : -1;
      for (std::size_t p = 0; p < n; ++p) {
        int idx = f->Data()[p];
        TGIFColor c = idx < map->Count() ? map->GetGIFColor(idx) : TGIFColor();
        rgba[p * 4] = c.Red;
        rgba[p * 4 + 1] = c.Green;
        rgba[p * 4 + 2] = c.Blue;
        rgba[p * 4 + 3] = idx == ti ? 0 : 255;
      }
      std::string name = (out / (std::string(stem) + ".png")).string();
      if (!stbi_write_png(name.c_str(), f->Width(), f->Height(), 4, rgba.data(), f->Width() * 4))
        throw Exception(FormatMessage1(SFCreateError, name));
    }
  }
  return 0;
}

void Save(TGIFImage& image, const std::string& file, bool rle) {
  image.SetCompression(rle ? gcRLE : gcLZW);
  image.SaveToFile(SysName(file));
}

int Encode(const std::string& in, const std::string& out, bool rle, bool interlace) {
  TMemoryStream png;
  png.LoadFromFile(SysName(in));
  TGIFImage image;
  BuildImage(ReadPalettePNG(png.Bytes()), interlace, image);
  Save(image, out, rle);
  return 0;
}

int Copy(const std::string& in, const std::string& out, bool rle) {
  TLoaded l;
  Load(l, in);
  Save(l.Image, out, rle);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"gifkit: inspect GIF images and dump their frames"};
  app.require_subcommand(1);

  bool asJson = false, png = false;
  std::string file, dir;
  CLI::App* info = app.add_subcommand("info", "Describe the image, its frames and the reader's warnings");
  info->add_flag("--json", asJson, "Print the description as JSON");
  info->add_option("FILE", file, "GIF file")->required();
  CLI::App* frames = app.add_subcommand("frames", "Write each frame's colour indices and colour table");
  frames->add_option("FILE", file, "GIF file")->required();
  frames->add_option("-o,--output", dir, "Output folder")->required();
  frames->add_flag("--png", png, "Also write frame-NNN.png (RGBA)");
  bool rle = false, interlace = false;
  std::string out;
  CLI::App* encode = app.add_subcommand("encode", "Write a palette PNG as a GIF");
  encode->add_option("IN", file, "Palette PNG")->required();
  encode->add_option("-o,--output", out, "GIF to write")->required();
  encode->add_flag("--rle", rle, "Run-length codes instead of LZW");
  encode->add_flag("--interlace", interlace, "Store the rows interlaced");
  CLI::App* copy = app.add_subcommand("copy", "Re-encode every frame of a GIF, keeping its extensions");
  copy->add_option("IN", file, "GIF file")->required();
  copy->add_option("-o,--output", out, "GIF to write")->required();
  copy->add_flag("--rle", rle, "Run-length codes instead of LZW");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int rc = app.exit(e);
    return rc == 0 ? 0 : 2;
  }
  try {
    if (info->parsed()) return Info(file, asJson);
    if (encode->parsed()) return Encode(file, out, rle, interlace);
    if (copy->parsed()) return Copy(file, out, rle);
    return Frames(file, dir, png);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
}
