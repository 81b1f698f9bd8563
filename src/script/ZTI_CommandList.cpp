#include "script/ZTI_CommandList.h"

#include "script/ZTI_CompilerThread.h"

TCommandClass::TCommandClass(int32_t number)
    : Keyword(CommandInfoOf(number) ? std::string(CommandInfoOf(number)->keyword) : ""),
      PackagingOnly(CommandInfoOf(number) && CommandInfoOf(number)->packagingOnly),
      number_(number) {}

int32_t TCommandClass::MinParams() const {
  const TCommandInfo* info = CommandInfoOf(number_);
  return info ? info->minParams : 0;
}

uint8_t TCommandClass::FileGroupKind() const {
  const TCommandInfo* info = CommandInfoOf(number_);
  return info ? info->fileGroupKind : kGroupKindNone;
}

void TCommandClass::Compile(TCompiler&, int32_t) {}

void TCommandClass::Execute(int32_t) {}

bool TCommandClass::MeetsMinimum(const TCompiler& compiler, int32_t lineIndex) const {
  return HasEnoughParams(compiler.Lines, lineIndex, MinParams());
}

int32_t TCommandList::Add(std::unique_ptr<TCommandClass> command) {
  Items.push_back(std::move(command));
  return Count() - 1;
}

TCommandClass* TCommandList::Command(int32_t number) const {
  if (number < 1 || number > Count()) return nullptr;
  return Items[number - 1].get();
}

std::vector<bool> GroupIsUpdate(const TCompLines& lines, const TCommandList& commands) {
  std::vector<bool> isUpdate{false};
  for (const TCompLine& line : lines.Lines) {
    const TCommandClass* command = commands.Command(line.Command);
    if (!command) continue;
    const uint8_t kind = command->FileGroupKind();
    if (kind != kGroupKindNone) isUpdate.push_back(kind == kGroupKindUpdate);
  }
  return isUpdate;
}

TCommandList& CommandList() {
  static TCommandList list;
  return list;
}
