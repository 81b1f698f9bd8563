// Fuzz target: the rich-text reader of the on-screen view (licences and read-mes
// from the setup package). Any bytes give a document: no crash, no unbounded
// nesting or allocation, every paragraph's text within what the input can produce.
#include <cstdint>
#include <vector>

#include "ui/fltk/SE_RichText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  const TRichDocument document = ReadRichText(bytes);
  if (document.IsRichText != LooksLikeRichText(bytes)) __builtin_trap();
  size_t characters = 0;
  for (const TRichParagraph& paragraph : document.Paragraphs) characters += paragraph.Text().size();
  // Every character comes from at least one byte of input, apart from a tab or
  // line-feed per control word and a fallback-free \u, each of which take more.
  if (characters > size) __builtin_trap();
  document.Text();
  return 0;
}
