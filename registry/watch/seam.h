#pragma once

#include <functional>
#include <system_error>
#include <utility>

#include "corvalidyne/registry_watcher.h"
#include "layer/notification.h"

namespace corvalidyne::watch {

// A RegistryWatcher armed through another function than the system's, for a
// test to reach what Wine cannot show: a system that refuses
// REG_NOTIFY_THREAD_AGNOSTIC, as Windows 7 does.
struct Seam {
  static RegistryWatcher Watch(const RegistryKey& key, RegistryWatchScope scope,
                               std::function<void(const std::error_code&)> onChange,
                               layer::NotifyFunction notify, std::error_code& code) {
    return {key, scope, std::move(onChange), notify, code};
  }
};

}  // namespace corvalidyne::watch
