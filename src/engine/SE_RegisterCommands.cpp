#include "engine/SE_RegisterCommands.h"

#include <array>
#include <memory>

#include "engine/SE_UninstallLogCommands.h"
#include "gamedata/SE_UpdateCommands.h"
#include "platform/Errors.h"
#include "script/ZTI_CommandsFile.h"
#include "script/ZTI_CommandsFlow.h"
#include "script/ZTI_CommandsIdentity.h"
#include "script/ZTI_CommandsRegistry.h"

namespace {

using Factory = std::unique_ptr<TCommandClass> (*)();

template <typename T>
std::unique_ptr<TCommandClass> Make() {
  return std::make_unique<T>();
}

// In table order; the check below makes sure each object carries its row's keyword.
constexpr std::array<Factory, kCommandCount> kFactories = {
    Make<TGotoCommand>,
    Make<TNameCommand>,
    Make<TOutFileCommand>,
    Make<TInstallDirCommand>,
    Make<TInstallDirRegKeyCommand>,
    Make<TIfFileExistsCommand>,
    Make<TFileCommand>,
    Make<TDeleteCommand>,
    Make<TWriteRegStrCommand>,
    Make<TChangelogCommand>,
    Make<TZTPUpdateCommand>,
    Make<TRMDirCommand>,
    Make<TCreateDirectoryCommand>,
    Make<TCreateShortCutCommand>,
    Make<TMessageCommand>,
    Make<TMessageBoxCommand>,
    Make<TCopyFileCommand>,
    Make<TLanguageCommand>,
    Make<TFailureCommand>,
    Make<TPagesCommand>,
    Make<TShortNameCommand>,
    Make<TUninstallPagesCommand>,
    Make<TUninstallLanguageCommand>,
    Make<TUninstallPrefixCommand>,
    Make<TUninstallLogLoadCommand>,
    Make<TUninstallLogSaveCommand>,
    Make<TZTPOfficialCommand>,
    Make<TDuplicateEntryCommand>,
    Make<TWriteRegStr_URLCommand>,
    Make<TVFSUpdateCommand>,
    Make<TRenameCommand>,
    Make<TExecuteCommand>,
    Make<TCompressionCommand>,
};

}  // namespace

void RegisterCommands(TCommandList& list) {
  list.Clear();
  for (const Factory make : kFactories) {
    const int32_t index = list.Add(make());
    platform::Check(list.Items[index]->Number() == index + 1 &&
                        list.Items[index]->Keyword == kCommandTable[index].keyword,
                    "command class out of table order", "SE_RegisterCommands", __LINE__);
  }
}

void RegisterCommands() { RegisterCommands(CommandList()); }
