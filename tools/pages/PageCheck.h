// What `setuptool check` and `mksetup --check` find wrong with a package's pages and
// language tables before players see them. One record per problem:
//
//   severity  "error" (the player sees a broken page or the wizard cannot start) or
//             "warning"
//   language  the table's first identifier in hex ("0405"), "-" when it concerns
//             every language
//   page      the page as previews name it ("03-finish"), "-" for the whole set
//   control   the control's name, "-" for none
//   what      the problem, naming the entry, text number or size at fault
//
// Found: captions that do not fit their control in some language, or run outside
// the window, measured with the view's font (only with a renderer); text numbers a
// page uses that a table lacks; pictures, layouts and rich-edit files named but
// missing, and pictures the view cannot load (too large, or no picture); two controls
// with one name; a well-known control missing from the page kind that needs it;
// tables whose identifiers collide; tables and layouts that cannot be read.
#pragma once

#include <string>
#include <vector>

#include "PackageWizard.h"

class TPageRenderer;

struct TProblem {
  std::string Severity, Language, Page, Control, What;
  bool operator==(const TProblem&) const = default;
};

// Every problem of the package's page sets, in set, page and control order. The
// renderer (null: captions are not measured) draws on its own view.
std::vector<TProblem> CheckPackagePages(const TPackageWizard& wizard, TPageRenderer* renderer);

// The record as one tab-separated line (tabs and line breaks in fields as blanks).
std::string ProblemLine(const TProblem& problem);
bool HasError(const std::vector<TProblem>& problems);

// The parts of the check, each adding what it finds (PageCheck_*.cpp).
struct TSetCheck {
  const TPackageWizard& wizard;
  const TPageSet& set;
  std::vector<TProblem>& problems;
  void Add(const char* severity, std::string language, std::string page, std::string control,
           std::string what) {
    problems.push_back({severity, std::move(language), std::move(page), std::move(control), std::move(what)});
  }
};
// Page list, layouts and the files they name, control names, well-known controls.
void CheckLayouts(TSetCheck& check, TPageRenderer* renderer);
// Tables that cannot be read or whose identifiers collide; text numbers the pages and
// the window use that a table lacks.
void CheckTexts(TSetCheck& check, const TFrmMain& form);
// Captions measured in every language.
void CheckCaptionsFit(TSetCheck& check, const TFrmMain& form, const std::string& language,
                      TPageRenderer& renderer);
