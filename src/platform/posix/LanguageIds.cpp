#include "platform/posix/LanguageIds.h"

#include <string>

#include "platform/CodePage.h"

namespace platform::posix {

namespace {

struct Locale {
  const char* name;  // "ll_CC", lower-case language, upper-case country
  uint16_t id;
};

// The first entry of each language is its usual one.
const Locale kLocales[] = {
    {"en_US", 0x0409},  {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009}, {"en_NZ", 0x1409},
    {"en_IE", 0x1809},  {"en_ZA", 0x1C09}, {"en_IN", 0x4009}, {"en_SG", 0x4809}, {"de_DE", 0x0407},
    {"de_CH", 0x0807},  {"de_AT", 0x0C07}, {"de_LU", 0x1007}, {"de_LI", 0x1407}, {"fr_FR", 0x040C},
    {"fr_BE", 0x080C},  {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C}, {"fr_LU", 0x140C}, {"it_IT", 0x0410},
    {"it_CH", 0x0810},  {"es_ES", 0x0C0A}, {"es_MX", 0x080A}, {"es_AR", 0x2C0A}, {"es_CL", 0x340A},
    {"es_CO", 0x240A},  {"es_US", 0x540A}, {"pt_BR", 0x0416}, {"pt_PT", 0x0816}, {"nl_NL", 0x0413},
    {"nl_BE", 0x0813},  {"cs_CZ", 0x0405}, {"sk_SK", 0x041B}, {"pl_PL", 0x0415}, {"hu_HU", 0x040E},
    {"ru_RU", 0x0419},  {"uk_UA", 0x0422}, {"be_BY", 0x0423}, {"bg_BG", 0x0402}, {"ro_RO", 0x0418},
    {"hr_HR", 0x041A},  {"sr_RS", 0x281A}, {"sl_SI", 0x0424}, {"bs_BA", 0x141A}, {"mk_MK", 0x042F},
    {"sq_AL", 0x041C},  {"el_GR", 0x0408}, {"tr_TR", 0x041F}, {"sv_SE", 0x041D}, {"sv_FI", 0x081D},
    {"da_DK", 0x0406},  {"nb_NO", 0x0414}, {"nn_NO", 0x0814}, {"fi_FI", 0x040B}, {"is_IS", 0x040F},
    {"et_EE", 0x0425},  {"lv_LV", 0x0426}, {"lt_LT", 0x0427}, {"ga_IE", 0x083C}, {"cy_GB", 0x0452},
    {"ca_ES", 0x0403},  {"eu_ES", 0x042D}, {"gl_ES", 0x0456}, {"he_IL", 0x040D}, {"ar_SA", 0x0401},
    {"ar_EG", 0x0C01},  {"ar_AE", 0x3801}, {"fa_IR", 0x0429}, {"hi_IN", 0x0439}, {"bn_IN", 0x0445},
    {"ta_IN", 0x0449},  {"th_TH", 0x041E}, {"vi_VN", 0x042A}, {"id_ID", 0x0421}, {"ms_MY", 0x043E},
    {"fil_PH", 0x0464}, {"ja_JP", 0x0411}, {"ko_KR", 0x0412}, {"zh_CN", 0x0804}, {"zh_TW", 0x0404},
    {"zh_HK", 0x0C04},  {"zh_SG", 0x1004}, {"af_ZA", 0x0436}, {"sw_KE", 0x0441}, {"ka_GE", 0x0437},
    {"hy_AM", 0x042B},  {"az_AZ", 0x042C}, {"kk_KZ", 0x043F},
};

constexpr uint16_t kEnglishUnitedStates = 0x0409;

}  // namespace

uint16_t LanguageIdFromLocale(std::string_view locale) {
  // "ll_CC.codeset@modifier"
  const size_t dot = locale.find_first_of(".@");
  const std::string_view modifier =
      locale.find('@') == std::string_view::npos ? std::string_view() : locale.substr(locale.find('@') + 1);
  std::string_view head = locale.substr(0, dot);
  const size_t underscore = head.find('_');
  const std::string language = AsciiLower(head.substr(0, underscore));
  const std::string country =
      underscore == std::string_view::npos ? std::string() : AsciiUpper(head.substr(underscore + 1));
  if (language.empty() || language == "c" || language == "posix") return kEnglishUnitedStates;
  if (language == "sr" && modifier == "latin") return 0x241A;  // Serbian in Latin letters
  const std::string exact = language + "_" + country;
  const Locale* usual = nullptr;
  for (const Locale& entry : kLocales) {
    const std::string_view name = entry.name;
    if (name == exact) return entry.id;
    if (!usual && name.substr(0, name.find('_')) == language) usual = &entry;
  }
  return usual ? usual->id : kEnglishUnitedStates;
}

}  // namespace platform::posix
