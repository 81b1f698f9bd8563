// What a careful person expects of a game folder that several add-ons come and go in,
// while the game updates itself and the player edits its files and values.
//
// Each game file and each game value is a base (the game's or the player's latest
// version) with the add-ons written over it, oldest first:
// - an install puts the add-on on top of everything it writes (a re-install moves it
//   there again);
// - an uninstall takes the add-on out, wherever it is in the stack;
// - a game update or a player edit becomes the new base and takes the file or value out
//   of the add-ons' hands;
// - what shows is the top add-on's version, else the base; a file or value the game
//   does not have (an add-on makes it) has no base until the game or the player
//   writes it, and is absent while no add-on is over it;
// - an add-on's own files and values exist exactly while it is installed.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace lifecycle {

struct TAddOn {
  char letter;              // A, B, C ...: its name, prefix and files derive from it
  std::vector<int> files;   // the game files it writes over
  std::vector<int> values;  // the game values it writes over
};

// One game file or value: its base (none: the game does not have it) and the add-ons
// stacked over it.
struct TLayered {
  std::optional<std::string> base;
  std::vector<int> addOns;  // indices of add-ons, oldest first
};

class TModel {
 public:
  // The last madeFiles files and madeValues values are not the game's: they do not
  // exist until an add-on makes them.
  TModel(std::vector<TAddOn> addOns, int files, int values, int madeFiles = 0, int madeValues = 0)
      : addOns_(std::move(addOns)) {
    for (int f = 0; f < files; ++f)
      files_.push_back({f < files - madeFiles ? std::optional("the game's file " + std::to_string(f) + "\r\n")
                                              : std::nullopt,
                        {}});
    for (int v = 0; v < values; ++v)
      values_.push_back(
          {v < values - madeValues ? std::optional("game value " + std::to_string(v)) : std::nullopt, {}});
    installed_.assign(addOns_.size(), false);
  }

  const std::vector<TAddOn>& AddOns() const { return addOns_; }
  bool Installed(int a) const { return installed_[a]; }
  int Files() const { return int(files_.size()); }
  int Values() const { return int(values_.size()); }

  void Install(int a) {
    for (int f : addOns_[a].files) PutOnTop(files_[f], a);
    for (int v : addOns_[a].values) PutOnTop(values_[v], a);
    installed_[a] = true;
  }
  void Uninstall(int a) {
    for (auto& file : files_) std::erase(file.addOns, a);
    for (auto& value : values_) std::erase(value.addOns, a);
    installed_[a] = false;
  }
  void ChangeFile(int f, std::string content) { files_[f] = {std::move(content), {}}; }
  void ChangeValue(int v, std::string data) { values_[v] = {std::move(data), {}}; }

  // The add-ons written over game file f, oldest first.
  const std::vector<int>& Stack(int f) const { return files_[f].addOns; }
  // The add-ons written over game value v, oldest first.
  const std::vector<int>& ValueStack(int v) const { return values_[v].addOns; }

  // Nothing: the file or value is absent.
  std::optional<std::string> ExpectedFile(int f) const {
    const auto& file = files_[f];
    return file.addOns.empty() ? file.base : AddOnFileContent(file.addOns.back(), f);
  }
  std::optional<std::string> ExpectedValue(int v) const {
    const auto& value = values_[v];
    return value.addOns.empty() ? value.base : AddOnValueData(value.addOns.back(), v);
  }

  // What add-on a writes: its version of game file f, of game value v, its own file.
  std::string AddOnFileContent(int a, int f) const {
    return std::string("add-on ") + addOns_[a].letter + "'s version of file " + std::to_string(f) + "\r\n";
  }
  std::string AddOnValueData(int a, int v) const {
    return std::string(1, addOns_[a].letter) + "'s value " + std::to_string(v);
  }
  std::string OwnFileContent(int a) const { return std::string("only add-on ") + addOns_[a].letter + "\r\n"; }

 private:
  static void PutOnTop(TLayered& layered, int a) {
    std::erase(layered.addOns, a);
    layered.addOns.push_back(a);
  }

  std::vector<TAddOn> addOns_;
  std::vector<TLayered> files_, values_;
  std::vector<bool> installed_;
};

}  // namespace lifecycle
