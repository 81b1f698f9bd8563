// Every page of a package drawn by the view as the player would see it on arrival,
// in every language the package carries (or those chosen), without running
// anything. Pages are shown in their order, so what a page changes for the pages
// after it (the language button is gone after a progress page) is as in the wizard;
// a progress page shows the status line its run starts with and the gauge half way.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "PackageWizard.h"
#include "ui/SE_Picture.h"

class TPageRenderer;

struct TPagePicture {
  std::string Language;  // LanguageHex of its table
  int32_t Number = 0;
  uint8_t Kind = kPageWelcome;
  // "<lang>-<nn>-<kind>.png"
  std::string FileName() const;
};

// Calls each for every page of every chosen language (all when chosen is empty; a
// table is chosen when it lists one of the identifiers). Tables that cannot be read
// are left out.
void PreviewPages(const TPackageWizard& wizard, TPageRenderer& renderer, const std::vector<uint16_t>& chosen,
                  const std::function<void(const TPagePicture&, const TPixels&)>& each);
