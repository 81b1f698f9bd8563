// The entries of one file group as the game-data updaters read them. The package and
// archive updaters take any such list: the setup package's group at run time, files
// or buffers in the tools and tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TPak;

class TGroupEntries {
 public:
  virtual ~TGroupEntries() = default;
  virtual size_t Count() const = 0;
  virtual std::string Name(size_t i) const = 0;
  // The size of the whole file the entry holds.
  virtual uint32_t OrigSize(size_t i) const = 0;
  // The entry's content; raises ESetupError naming the entry when it cannot be read.
  virtual std::vector<uint8_t> Content(size_t i) = 0;
};

// The entries of one group of a setup package, in table order.
class TSetupGroupEntries : public TGroupEntries {
 public:
  TSetupGroupEntries(TPak& pak, uint16_t group);
  size_t Count() const override { return indices_.size(); }
  std::string Name(size_t i) const override;
  uint32_t OrigSize(size_t i) const override;
  std::vector<uint8_t> Content(size_t i) override;

 private:
  TPak& pak_;
  std::vector<int> indices_;
};

// Named buffers held in memory.
class TMemoryGroupEntries : public TGroupEntries {
 public:
  struct Item {
    std::string name;
    std::vector<uint8_t> content;
  };
  std::vector<Item> items;

  void Add(std::string name, std::vector<uint8_t> content) {
    items.push_back({std::move(name), std::move(content)});
  }
  size_t Count() const override { return items.size(); }
  std::string Name(size_t i) const override { return items[i].name; }
  uint32_t OrigSize(size_t i) const override { return static_cast<uint32_t>(items[i].content.size()); }
  std::vector<uint8_t> Content(size_t i) override { return items[i].content; }
};
