#pragma once

// Objects a closing window leaves alive on purpose, for runs that have not
// ended in time: they go with the process. A leak checker is told so, and
// still reports every other leak.

#if defined(__SANITIZE_ADDRESS__)
#define TARVO_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer)
#define TARVO_LEAK_CHECKED 1
#endif
#endif

#ifdef TARVO_LEAK_CHECKED
#include <sanitizer/lsan_interface.h>
#endif

namespace tarvo::ui {

template <typename T>
T* keptPastExit(T* object) {
#ifdef TARVO_LEAK_CHECKED
  __lsan_ignore_object(object);
#endif
  return object;
}

}  // namespace tarvo::ui
