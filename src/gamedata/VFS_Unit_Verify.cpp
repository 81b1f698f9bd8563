// Checking an archive against itself, for `setuptool vfs verify` and the tests.
#include <algorithm>
#include <cstdio>

#include "gamedata/SE_CutNames.h"
#include "gamedata/VFS_Unit.h"
#include "platform/Errors.h"
#include "platform/Files.h"

namespace {

std::string Hex(const std::array<uint8_t, 16>& digest) {
  std::string text;
  char byte[3];
  for (uint8_t b : digest) {
    std::snprintf(byte, sizeof byte, "%02x", b);
    text += byte;
  }
  return text;
}

void CheckChains(TVFSFile& archive, std::vector<std::string>& findings) {
  const auto& blocks = archive.Blocks();
  std::vector<int32_t> owner(blocks.size(), -1);
  const auto& nodes = archive.Tree().Nodes();
  const int64_t blockSize = archive.Header().blockSize;
  for (const TTreeFileInfo& node : nodes) {
    if (node.index < 0) continue;
    try {
      const std::vector<int32_t> chain = archive.ChainOf(node.info.firstBlock, node.path);
      if (int64_t(chain.size()) * blockSize < node.info.storedSize)
        findings.push_back("chain\t" + node.path + "\tshorter than its stored size");
      for (int32_t block : chain) {
        int32_t& o = owner[size_t(block) - 1];
        if (o >= 0)
          findings.push_back("chain\t" + node.path + "\tblock " + std::to_string(block) +
                             " also belongs to " + nodes[size_t(o)].path);
        o = node.index;
      }
    } catch (const platform::ESetupError& error) {
      findings.push_back("chain\t" + node.path + "\t" + error.what());
    }
  }
  int32_t used = 0;
  for (size_t i = 0; i < blocks.size(); ++i) {
    if (blocks[i].next == 0) continue;
    ++used;
    if (owner[i] < 0) findings.push_back("block\t" + std::to_string(i + 1) + "\tin use but in no chain");
  }
  if (used != archive.Header().blocksInUse)
    findings.push_back("blocks-in-use\theader says " + std::to_string(archive.Header().blocksInUse) +
                       "\ttable has " + std::to_string(used));
}

void CheckLookupTable(TVFSFile& archive, std::vector<std::string>& findings) {
  std::vector<TVFSHashRecord> files;
  for (const TTreeFileInfo& node : archive.Tree().Nodes())
    if (node.index >= 0 && node.info.IsFile())
      files.push_back({PathHash(node.path, node.info.name), node.info.flags, node.info.storedSize,
                       node.info.fullSize, node.info.firstBlock, 1});
  const std::string path = HashTablePath(archive.Path());
  const auto stored = platform::ReadWholeFile(path);
  if (files.empty()) {
    if (stored) findings.push_back("lookup-table\t" + path + "\texists for an archive without files");
    return;
  }
  if (!stored) {
    findings.push_back("lookup-table\t" + path + "\tmissing");
    return;
  }
  if (*stored != EncodeHashTable(BuildHashRecords(files)))
    findings.push_back("lookup-table\t" + path + "\tdiffers from a rebuild");
}

// Several records of one folder named with the same 65 characters.
void CheckCutNames(TVFSFile& archive, std::vector<std::string>& findings) {
  std::vector<std::string> fullLength;
  for (const TTreeFileInfo& node : archive.Tree().Nodes())
    if (node.index >= 0 && node.info.name.size() == kVFSNameMax) fullLength.push_back(node.path);
  for (const TCutName& cut : FindCutNames(fullLength))
    findings.push_back("cut-name\t" + cut.name + "\t" + CutNameText(cut, kVFSNameMax));
}

}  // namespace

std::vector<std::string> VerifyArchive(const std::string& path) {
  std::vector<std::string> findings;
  TVFSFile archive;
  try {
    archive.Open(path, true, {}, true);
  } catch (const platform::ESetupError& error) {
    findings.push_back(std::string("open\t") + error.what());
    return findings;
  }
  const auto digest = archive.ComputeDigest();
  if (digest != archive.Header().digest)
    findings.push_back("digest\theader has " + Hex(archive.Header().digest) + "\tcontent gives " +
                       Hex(digest));
  CheckChains(archive, findings);
  CheckLookupTable(archive, findings);
  CheckCutNames(archive, findings);
  return findings;
}
