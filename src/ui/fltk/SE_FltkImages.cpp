#include "ui/fltk/SE_FltkImages.h"

#include "ui/fltk/SE_FltkDraw.h"

#include <FL/Fl_BMP_Image.H>
#include <FL/Fl_GIF_Image.H>
#include <FL/Fl_JPEG_Image.H>
#include <FL/Fl_PNG_Image.H>

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/Files.h"

namespace {

std::string FileNamePart(const std::string& name) {
  const size_t slash = name.find_last_of("\\/:");
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::unique_ptr<Fl_Image> OpenWith(TPictureFormat format, const char* hostPath) {
  switch (format) {
    case TPictureFormat::Jpeg: return std::make_unique<Fl_JPEG_Image>(hostPath);
    case TPictureFormat::Png: return std::make_unique<Fl_PNG_Image>(hostPath);
    case TPictureFormat::Bmp: return std::make_unique<Fl_BMP_Image>(hostPath);
    case TPictureFormat::Gif: return std::make_unique<Fl_GIF_Image>(hostPath);
    case TPictureFormat::Unknown: break;
  }
  return nullptr;
}

// FLTK's pixels (1 to 4 channels: grey, grey and alpha, RGB, RGBA) as RGBA.
std::optional<TPixels> PixelsOf(Fl_Image& image) {
  if (image.fail() || image.w() <= 0 || image.h() <= 0 || image.count() != 1 || !image.data())
    return std::nullopt;
  // A picture larger than any bitmap the views make is refused whole, as the Windows
  // view refuses it, rather than shown cut.
  if (image.w() > kMaxPictureSide || image.h() > kMaxPictureSide) return std::nullopt;
  const int depth = image.d();
  if (depth < 1 || depth > 4) return std::nullopt;
  const auto* bits = reinterpret_cast<const uint8_t*>(image.data()[0]);
  const size_t stride = image.ld() ? static_cast<size_t>(image.ld()) : static_cast<size_t>(image.w()) * depth;
  TPixels out(image.w(), image.h());
  for (int32_t y = 0; y < out.Height; ++y) {
    for (int32_t x = 0; x < out.Width; ++x) {
      const uint8_t* s = bits + y * stride + static_cast<size_t>(x) * depth;
      uint8_t* d = out.At(x, y);
      const bool grey = depth < 3;
      d[0] = s[0];
      d[1] = grey ? s[0] : s[1];
      d[2] = grey ? s[0] : s[2];
      d[3] = depth == 2 ? s[1] : depth == 4 ? s[3] : 255;
    }
  }
  return out;
}

}  // namespace

std::optional<TLoadedPicture> LoadPicture(const std::string& entryName, const std::vector<uint8_t>& bytes) {
  // Only the file name: an entry name with folders (or "..") never writes outside
  // the temporary folder.
  const std::string name = FileNamePart(entryName);
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  const std::string path = platform::TempFolder() + "\\" + name;
  if (!platform::WriteFileBytes(path, bytes.data(), bytes.size())) return std::nullopt;
  std::optional<TLoadedPicture> loaded;
  if (const std::optional<std::string> host = platform::HostPathOf(path)) {
    const TPictureFormat byName = FormatOfName(name);
    const TPictureFormat byBytes = FormatOfBytes(bytes);
    for (const TPictureFormat format : {byName, byBytes}) {
      if (format == TPictureFormat::Unknown) continue;
      const std::unique_ptr<Fl_Image> image = OpenWith(format, host->c_str());
      if (std::optional<TPixels> pixels = image ? PixelsOf(*image) : std::nullopt) {
        loaded = TLoadedPicture{std::move(*pixels), format};
        break;
      }
    }
  }
  platform::DeleteFileAt(path);
  return loaded;
}

void TScreenImage::Set(const TPixels& pixels) {
  Clear();
  if (pixels.Empty()) return;
  const int depth = pixels.HasAlpha() ? 4 : 3;
  bytes_.resize(static_cast<size_t>(pixels.Width) * pixels.Height * depth);
  for (size_t i = 0, o = 0; i < pixels.Rgba.size(); i += 4, o += depth)
    std::copy_n(&pixels.Rgba[i], depth, &bytes_[o]);
  image_ = std::make_unique<Fl_RGB_Image>(bytes_.data(), pixels.Width, pixels.Height, depth);
}

void TScreenImage::Clear() {
  image_.reset();
  bytes_.clear();
}

void TScreenImage::Draw(int x, int y) {
  if (image_) image_->draw(x, y);
}
