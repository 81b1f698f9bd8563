// Records whose names an older setup cut to the record's length. Such a setup stored a
// longer name as its first 65 (archive) or 127 (package) characters; the cut name
// never matched again, so each run added one more record of the same name. Several
// records of one folder that share a name of exactly the full length are that damage.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct TCutName {
  std::string name;  // as the first such record spells it
  size_t records = 0;
};

// Of the names of records whose name has the record's full length (full paths where
// the folder matters), those that occur more than once, compared without regard to
// case, in the order of their first record.
std::vector<TCutName> FindCutNames(const std::vector<std::string>& fullLengthNames);

// "N records share the name "x" of L characters, the most a record holds: an older
// setup cut a longer name".
std::string CutNameText(const TCutName& cut, size_t length);
