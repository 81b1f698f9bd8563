#include "ui/win32/SE_Win32Pictures.h"

#include <wincodec.h>

#include <algorithm>

namespace {

// Releases a COM interface at the end of its scope.
template <typename T>
class TComRef {
 public:
  TComRef() = default;
  ~TComRef() {
    if (p_) p_->Release();
  }
  TComRef(const TComRef&) = delete;
  TComRef& operator=(const TComRef&) = delete;
  T** Out() { return &p_; }
  T* operator->() const { return p_; }
  T* Get() const { return p_; }

 private:
  T* p_ = nullptr;
};

std::optional<TPixels> DecodeWithWic(const std::vector<uint8_t>& bytes) {
  if (bytes.empty() || bytes.size() > 0x7FFFFFFF) return std::nullopt;
  TComRef<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(factory.Out()))))
    return std::nullopt;
  TComRef<IWICStream> stream;
  TComRef<IWICBitmapDecoder> decoder;
  TComRef<IWICBitmapFrameDecode> frame;
  TComRef<IWICFormatConverter> converter;
  if (FAILED(factory->CreateStream(stream.Out())) ||
      FAILED(
          stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()))) ||
      FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnLoad,
                                              decoder.Out())) ||
      FAILED(decoder->GetFrame(0, frame.Out())) || FAILED(factory->CreateFormatConverter(converter.Out())) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                   nullptr, 0.0, WICBitmapPaletteTypeCustom)))
    return std::nullopt;
  UINT w = 0, h = 0;
  if (FAILED(converter->GetSize(&w, &h)) || w == 0 || h == 0 || w > kMaxPictureSide || h > kMaxPictureSide)
    return std::nullopt;
  std::vector<uint8_t> bgra(static_cast<size_t>(w) * h * 4);
  if (FAILED(converter->CopyPixels(nullptr, w * 4, static_cast<UINT>(bgra.size()), bgra.data())))
    return std::nullopt;
  TPixels out(static_cast<int32_t>(w), static_cast<int32_t>(h));
  for (size_t i = 0; i < bgra.size(); i += 4) {
    out.Rgba[i] = bgra[i + 2];
    out.Rgba[i + 1] = bgra[i + 1];
    out.Rgba[i + 2] = bgra[i];
    out.Rgba[i + 3] = bgra[i + 3];
  }
  return out;
}

}  // namespace

std::optional<TDecodedPicture> DecodePicture(const std::string& entryName,
                                             const std::vector<uint8_t>& bytes) {
  std::optional<TPixels> pixels = DecodeWithWic(bytes);
  if (!pixels) return std::nullopt;
  // The first bytes tell what the decoder read; the name only when they do not.
  TPictureFormat format = FormatOfBytes(bytes);
  if (format == TPictureFormat::Unknown) format = FormatOfName(entryName);
  return TDecodedPicture{std::move(*pixels), format};
}

TBackBuffer::~TBackBuffer() {
  if (dc_) {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  if (bitmap_) DeleteObject(bitmap_);
}

bool TBackBuffer::Prepare(HDC windowDc, int width, int height) {
  if (bitmap_ && width <= width_ && height <= height_) return true;
  width = std::max({width, width_, 1});
  height = std::max({height, height_, 1});
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // rows from the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return false;
  if (!dc_) {
    dc_ = CreateCompatibleDC(windowDc);
    old_ = SelectObject(dc_, bitmap);
  } else {
    SelectObject(dc_, bitmap);
    DeleteObject(bitmap_);
  }
  bitmap_ = bitmap;
  bits_ = static_cast<uint8_t*>(bits);
  width_ = width;
  height_ = height;
  return true;
}

void TBackBuffer::Blend(const TPixels& pixels, int x, int y, const RECT& clip) {
  if (!bits_ || pixels.Empty()) return;
  GdiFlush();  // what GDI drew so far is in the bits before they are read
  const int left = std::max<int>({x, clip.left, 0});
  const int top = std::max<int>({y, clip.top, 0});
  const int right = std::min<int>({x + pixels.Width, clip.right, width_});
  const int bottom = std::min<int>({y + pixels.Height, clip.bottom, height_});
  for (int py = top; py < bottom; ++py) {
    uint8_t* d = bits_ + (static_cast<size_t>(py) * width_ + left) * 4;
    for (int px = left; px < right; ++px, d += 4) {
      const uint8_t* s = pixels.At(px - x, py - y);
      const int a = s[3];
      if (a == 0) continue;
      d[0] = static_cast<uint8_t>((s[2] * a + d[0] * (255 - a)) / 255);
      d[1] = static_cast<uint8_t>((s[1] * a + d[1] * (255 - a)) / 255);
      d[2] = static_cast<uint8_t>((s[0] * a + d[2] * (255 - a)) / 255);
    }
  }
}
