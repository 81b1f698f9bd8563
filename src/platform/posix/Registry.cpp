// The registry key object over the prefix's registry files (RegistryStore).
#include "platform/Registry.h"

#include "platform/posix/RegistryStore.h"

namespace platform {

struct RegistryKey::State {
  RegistryRoot root;
  std::string path;
};

RegistryKey::RegistryKey() = default;
RegistryKey::~RegistryKey() = default;
RegistryKey::RegistryKey(RegistryKey&& other) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept = default;

Result<RegistryKey> RegistryKey::Open(RegistryRoot root, const std::string& path, bool create) {
  const Status opened = create ? posix::CreateRegistryKey(root, path) : posix::FindRegistryKey(root, path);
  if (!opened) return opened;
  RegistryKey key;
  key.state_ = std::make_unique<State>(State{root, path});
  return key;
}

bool RegistryKey::IsOpen() const { return state_ != nullptr; }

namespace {
Status NoKeyOpen(const std::string& what, const std::string& name) {
  return Status::Failure("no registry key is open to " + what + " \"" + name + "\"");
}
}  // namespace

Result<std::string> RegistryKey::ReadString(const std::string& name) const {
  if (!state_) return NoKeyOpen("read", name);
  const Result<posix::RegistryData> value = posix::ReadRegistryValue(state_->root, state_->path, name);
  if (!value) return value.ToStatus();
  if (auto text = posix::RegistryString(value)) return std::move(*text);
  return Status::Failure("the value \"" + name + "\" of " +
                         posix::DescribeRegistryKey(state_->root, state_->path) + " is not a string");
}

Status RegistryKey::WriteString(const std::string& name, const std::string& data) {
  if (!state_) return NoKeyOpen("write", name);
  return posix::WriteRegistryString(state_->root, state_->path, name, data);
}

Status RegistryKey::DeleteValue(const std::string& name) {
  if (!state_) return NoKeyOpen("delete", name);
  return posix::DeleteRegistryValueAt(state_->root, state_->path, name);
}

void RegistryKey::Close() { state_.reset(); }

Status DeleteRegistryKey(RegistryRoot root, const std::string& path) {
  return posix::RemoveRegistryKey(root, path);
}

std::string RegistryDamageAt(RegistryRoot root, const std::string& path) {
  return posix::RegistryDamageAt(root, path);
}

}  // namespace platform
