// Language identifiers (LANGID: primary language in the low 10 bits, sub-language
// above) for locale names as Linux spells them ("cs_CZ.UTF-8", "sr_RS@latin", "de").
#pragma once

#include <cstdint>
#include <string_view>

namespace platform::posix {

// The identifier for a locale name: the country's own entry when the table has it,
// else the language's usual one ("de_IT" -> German (Germany)); 0x0409 (English, United
// States) for "C", "POSIX", an empty name or a language the table does not know.
uint16_t LanguageIdFromLocale(std::string_view locale);

}  // namespace platform::posix
