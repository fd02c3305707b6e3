#include "corvalidyne/registry_watcher.h"

#include <utility>

#include "failure.h"
#include "layer/notification.h"
#include "watch/watch_session.h"

namespace corvalidyne {

namespace {
constexpr const char* kWatching = "watching registry key";
}  // namespace

RegistryWatcher::RegistryWatcher(const RegistryKey& key, RegistryWatchScope scope,
                                 std::function<void(const std::error_code&)> onChange)
    : session_(OrThrow(kWatching, std::nullopt, [&](std::error_code& code) {
        return watch::WatchSession::Start(key.Native(), scope == RegistryWatchScope::kSubtree,
                                          std::move(onChange), layer::kSystemNotify, code);
      })) {}

RegistryWatcher::RegistryWatcher(const RegistryKey& key, RegistryWatchScope scope,
                                 std::function<void(const std::error_code&)> onChange, std::error_code& code)
    : RegistryWatcher(key, scope, std::move(onChange), layer::kSystemNotify, code) {}

RegistryWatcher::RegistryWatcher(const RegistryKey& key, RegistryWatchScope scope)
    : RegistryWatcher(key, scope, nullptr) {}

RegistryWatcher::RegistryWatcher(const RegistryKey& key, RegistryWatchScope scope, std::error_code& code)
    : RegistryWatcher(key, scope, nullptr, code) {}

RegistryWatcher::RegistryWatcher(const RegistryKey& key, RegistryWatchScope scope,
                                 std::function<void(const std::error_code&)> onChange, Notify notify,
                                 std::error_code& code)
    : session_(watch::WatchSession::Start(key.Native(), scope == RegistryWatchScope::kSubtree,
                                          std::move(onChange), notify, code)) {}

RegistryWatcher::RegistryWatcher(RegistryWatcher&& other) noexcept = default;
RegistryWatcher& RegistryWatcher::operator=(RegistryWatcher&& other) noexcept = default;
RegistryWatcher::~RegistryWatcher() = default;

HANDLE RegistryWatcher::WaitHandle() const noexcept { return session_ ? session_->Changed() : nullptr; }

std::error_code RegistryWatcher::Status() const noexcept {
  const LONG status = session_ ? session_->Status() : ERROR_INVALID_HANDLE;
  return status == ERROR_SUCCESS ? std::error_code()
                                 : std::error_code(static_cast<int>(status), std::system_category());
}

}  // namespace corvalidyne
