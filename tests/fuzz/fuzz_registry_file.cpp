// Fuzz target: the registry file reader. Any bytes parse without a crash. A file that
// parses without a problem takes a new string value in its first key and in a new key,
// and the result parses without a problem, reads the values back and still holds every
// value it held before.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/posix/PathMap.h"
#include "platform/posix/RegistryImage.h"

using platform::posix::FoldName;
using platform::posix::RegistryImage;

namespace {

std::u16string ReadBack(const RegistryImage& image, const std::u16string& key, const std::u16string& name) {
  const auto value = image.FindValue(FoldName(key), FoldName(name));
  if (!value) std::abort();
  return platform::posix::RegistryDataAsText(value->data);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto image = RegistryImage::Parse(text, "fuzz.reg", "WINE REGISTRY Version 2\n");
  if (!image->Problem().empty()) return 0;
  const std::u16string value =
      u"v\\\"\n\u00e9\u20ac\x01"
      "7";
  std::u16string key = u"Fuzz\\New Key";
  // The first line of a key names it; take the key of the first section if any.
  const size_t open = text.find("\n[");
  if (open != std::string::npos) {
    std::u16string path;
    if (platform::posix::UnescapeRegistryText(std::string_view(text).substr(open + 2), ']', &path) !=
        std::string_view::npos)
      key = platform::posix::NormaliseKeyPath(path);
  }
  if (key.empty()) return 0;
  const std::string edited = image->WithString(key, u"Fuzz Name", value, 1'700'000'000'000'000'000);
  const auto again = RegistryImage::Parse(edited, "fuzz.reg", "");
  if (!again->Problem().empty()) std::abort();
  if (ReadBack(*again, key, u"Fuzz Name") != value) std::abort();
  const std::string added = again->WithString(u"Fuzz\\Other", u"", value, 1);
  const auto third = RegistryImage::Parse(added, "fuzz.reg", "");
  if (!third->Problem().empty() || ReadBack(*third, u"Fuzz\\Other", u"") != value) std::abort();
  if (!third->KeyExists(FoldName(key))) std::abort();
  for (const auto& section : image->Sections()) {
    for (const auto& entry : section.values) {
      const std::u16string name = FoldName(image->Decode(entry).name);
      if (section.folded == FoldName(key) && name == FoldName(u"Fuzz Name")) continue;
      const auto before = image->FindValue(section.folded, name);
      const auto after = third->FindValue(section.folded, name);
      if (!before || !after || before->type != after->type || before->data != after->data) std::abort();
    }
  }
  return 0;
}
