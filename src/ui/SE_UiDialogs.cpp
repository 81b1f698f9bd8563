#include "ui/SE_UiDialogs.h"

#include "ui/SE_UiQueue.h"

platform::MessageBoxHandler UiThreadMessageBoxHandler(platform::MessageBoxHandler onUiThread) {
  return [onUiThread](const std::u16string& text, const std::u16string& caption,
                      platform::MessageButtons buttons, platform::MessageIcon icon) {
    return UiQueue().Call<platform::MessageResult>([&] { return onUiThread(text, caption, buttons, icon); });
  };
}
