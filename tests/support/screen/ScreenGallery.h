// The gallery add-on of the on-screen tests: a first page, then one page with a
// control of every class (pictures tiled, stretched, centred and colour-keyed, labels
// on the panel and over a picture, an edit box, a button, a panel, a bevel, a memo, a
// rich edit, radio buttons, a gauge and the folder tree), a progress page whose gauge
// has colours of its own, a finish page, and a background page holding the standard
// side picture. Beside the place of Next (or Cancel) each page but the progress page
// has a panel captioned with the text the button should read, and an edit box to hold
// the focus away from the buttons. Both views draw it; the checks below hold for
// either, given the system colours it draws with.
#pragma once

#include <filesystem>
#include <string>

#include "support/screen/ScreenWizard.h"

namespace screen_test {

inline constexpr Rgb kGalleryPanel{0x10, 0x20, 0x40};  // the page panel: $00402010
// Text 13 ("Next >") on the first page and text 15 ("Install") on the gallery page,
// on a panel the size of Next; text 16 ("Finish") on one the size of Cancel, on the
// finish page.
inline constexpr Box kNextPanel{470, 212, 73, 25};
inline constexpr Box kInstallPanel{470, 212, 73, 25};
inline constexpr Box kFinishPanel{470, 212, 75, 25};
// The edit boxes of the first and the finish page, to hold the focus away from the
// buttons.
inline constexpr Box kFocusEdit{20, 100, 150, 21};
// The progress page's gauge: red on green.
inline constexpr Box kGalleryGauge{20, 20, 300, 22};
inline constexpr Rgb kGaugeFore{255, 0, 0}, kGaugeBack{0, 255, 0};

// Writes the add-on into work: data/ (the languages copied from languagesDir and the
// page folder "gallery"), files/ and gallery.setup (outfile Gallery_Setup.exe, four
// files, the question "Checkpoint", four more files, installed to C:\Gallery).
// mksetup takes it with --data work/data.
void WriteGalleryAddOn(const std::filesystem::path& work, const std::filesystem::path& languagesDir);

// What the view draws with: the system's face, shadow and highlight colours, and how
// far its JPEG decoder may stray from FLTK's (the one the tests read the picture with).
struct ViewLook {
  Rgb face, shadow, highlight;
  int jpegTolerance = 2;
};

// The gallery page's pixels that are the same in every view: pictures, labels, the
// bevel and the panel, the memo's and rich edit's insides, the gauge as created, the
// folder tree, the picture under a transparent label and the side picture centred on
// the background page. Failures are reported as test failures.
void CheckGalleryPage(const Image& page, const ViewLook& colours);
// The side picture where the background page centres it.
bool GallerySideShown(const Image& page, int jpegTolerance);
// The gauge of the progress page at 50 %.
void CheckGalleryGaugeAtHalf(const Image& page);

// The text inside a button (inset by 3 pixels, its frame left out) drawn as the text
// inside a panel of the same size: the same shape (the pixels darker than half the
// face colour), pixel for pixel.
bool SameCaption(const Image& button, const Image& panel, Rgb face);

}  // namespace screen_test
