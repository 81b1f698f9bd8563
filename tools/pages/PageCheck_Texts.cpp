// The language tables of a page set: whether each can be read, whether two claim the
// same language, and whether each carries every text number the pages and the
// window's buttons ask for (a missing one shows as "NOT FOUND n").
#include <algorithm>
#include <set>

#include "PageCheck.h"

namespace {

const TLID* FindText(const TLanguage& table, uint16_t number) {
  for (const TLID& text : table.Texts)
    if (text.Number == number) return &text;
  return nullptr;
}

// The numbers of the "<LANGn>" tags of a text; a tag that is no number is the
// parser's error, not this check's.
std::vector<uint16_t> TagNumbers(const std::u16string& text) {
  std::vector<uint16_t> numbers;
  for (size_t at = text.find(u"<LANG"); at != std::u16string::npos; at = text.find(u"<LANG", at + 1)) {
    const size_t end = text.find(u'>', at);
    if (end == std::u16string::npos || end == at + 5 || end - at > 10) continue;
    uint32_t number = 0;
    bool digits = true;
    for (size_t i = at + 5; i < end; ++i) {
      digits = digits && text[i] >= u'0' && text[i] <= u'9';
      number = number * 10 + (text[i] - u'0');
    }
    if (digits && number <= 0xFFFF) numbers.push_back(static_cast<uint16_t>(number));
  }
  return numbers;
}

// A text the wizard shows, where it shows it.
struct TUse {
  std::string page, control;
  std::vector<uint16_t> numbers;
};

std::vector<TUse> TextUses(const TSetCheck& check, const TFrmMain& form) {
  std::vector<TUse> uses;
  const TSEPageControl& pages = form.SEPageControl;
  for (size_t n = 0; n < pages.Pages.size(); ++n) {
    const TControlParser& page = *pages.Pages[n];
    const std::string label = PageLabel(check.set.FirstNumber + static_cast<int32_t>(n), page.PageKind);
    for (size_t i = 0; i < page.Controls.size(); ++i)
      if (std::vector<uint16_t> numbers = TagNumbers(page.Captions[i]); !numbers.empty())
        uses.push_back({label, page.Controls[i]->Name(), std::move(numbers)});
    if (page.PageKind == kPageReady) uses.push_back({label, "NextButton", {15}});
    if (page.PageKind == kPageFinish) uses.push_back({label, "CancelButton", {16}});
  }
  uses.push_back({"-", "BackButton", {12}});
  uses.push_back({"-", "NextButton", {13}});
  uses.push_back({"-", "CancelButton", {14}});
  uses.push_back({"-", "-", {27, 28}});                       // the quit question
  if (check.set.Uninstall) uses.push_back({"-", "-", {26}});  // the window title's suffix
  return uses;
}

// Every number a use reaches in the table, through the tags of the texts it reaches.
void MissingNumbers(const TLanguage& table, uint16_t number, std::set<uint16_t>& seen,
                    std::vector<uint16_t>& missing) {
  if (!seen.insert(number).second) return;
  const TLID* text = FindText(table, number);
  if (!text) return missing.push_back(number);
  for (const uint16_t inner : TagNumbers(text->Text)) MissingNumbers(table, inner, seen, missing);
}

void CheckCollisions(TSetCheck& check, const std::vector<TPackedLanguage>& tables) {
  for (size_t j = 0; j < tables.size(); ++j)
    for (size_t i = 0; i < j; ++i)
      for (const uint16_t id : tables[j].Table.LanguageIds) {
        const auto& earlier = tables[i].Table.LanguageIds;
        if (std::find(earlier.begin(), earlier.end(), id) == earlier.end()) continue;
        TLanguage one;
        one.LanguageIds = {id};
        check.Add("warning", LanguageHex(one), "-", "-",
                  "the language tables " + tables[i].EntryName + " and " + tables[j].EntryName +
                      " both list " + LanguageHex(one) + ": a system of that language always gets the first");
      }
}

}  // namespace

void CheckTexts(TSetCheck& check, const TFrmMain& form) {
  std::vector<TPackedLanguage> tables = check.wizard.LanguagesOf(check.set);
  for (const TPackedLanguage& table : tables)
    if (!table.Error.empty())
      check.Add("error", "-", "-", "-",
                "the language table " + table.EntryName + " cannot be read: " + table.Error);
  std::erase_if(tables, [](const TPackedLanguage& t) { return !t.Error.empty(); });
  if (tables.empty() && !form.SEPageControl.Pages.empty())
    return check.Add("error", "-", "-", "-",
                     "no language table for these pages: every text shows \"NOT FOUND\"");
  CheckCollisions(check, tables);
  const std::vector<TUse> uses = TextUses(check, form);
  for (const TPackedLanguage& table : tables) {
    for (const TUse& use : uses) {
      std::set<uint16_t> seen;
      std::vector<uint16_t> missing;
      for (const uint16_t number : use.numbers) MissingNumbers(table.Table, number, seen, missing);
      for (const uint16_t number : missing)
        check.Add("error", LanguageHex(table.Table), use.page, use.control,
                  "text " + std::to_string(number) + " is missing from " + table.EntryName +
                      ": it shows \"NOT FOUND " + std::to_string(number) + "\"");
    }
  }
}
