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

RegistryKey RegistryKey::Open(RegistryRoot root, const std::string& path, bool create) {
  RegistryKey key;
  const bool opened = create ? posix::CreateRegistryKey(root, path)
                             : posix::RegistryKeyExists(root, path);
  if (opened) key.state_ = std::make_unique<State>(State{root, path});
  return key;
}

bool RegistryKey::IsOpen() const { return state_ != nullptr; }

std::optional<std::string> RegistryKey::ReadString(const std::string& name) const {
  if (!state_) return std::nullopt;
  return posix::RegistryString(posix::ReadRegistryValue(state_->root, state_->path, name));
}

bool RegistryKey::WriteString(const std::string& name, const std::string& data) {
  return state_ && posix::WriteRegistryString(state_->root, state_->path, name, data);
}

bool RegistryKey::DeleteValue(const std::string& name) {
  return state_ && posix::DeleteRegistryValueAt(state_->root, state_->path, name);
}

void RegistryKey::Close() { state_.reset(); }

bool DeleteRegistryKey(RegistryRoot root, const std::string& path) {
  return posix::RemoveRegistryKey(root, path);
}

std::string LastRegistryError() { return posix::LastRegistryErrorText(); }

}  // namespace platform
