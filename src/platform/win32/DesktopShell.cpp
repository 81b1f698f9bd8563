// The desktop's shell reached as a COM client: the shell windows give the desktop's
// browser, its view gives the folder view's automation object, whose Application is
// the desktop shell's IShellDispatch2, and its ShellExecute runs in Explorer.
#include "platform/win32/DesktopShell.h"

#include <windows.h>
#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

namespace platform::win32 {

namespace {

// Holds one interface pointer and releases it.
template <class T>
class Com {
 public:
  Com() = default;
  ~Com() {
    if (pointer_) pointer_->Release();
  }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  T* operator->() const { return pointer_; }
  T* Get() const { return pointer_; }
  T** Out() { return &pointer_; }
  void** OutVoid() { return reinterpret_cast<void**>(&pointer_); }
  explicit operator bool() const { return pointer_ != nullptr; }

 private:
  T* pointer_ = nullptr;
};

// A VARIANT holding a string, cleared with the object.
struct StringVariant {
  VARIANT value;
  explicit StringVariant(const std::wstring& text) {
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(text.c_str());
  }
  ~StringVariant() { VariantClear(&value); }
};

bool DesktopShell(Com<IShellDispatch2>& shell) {
  Com<IShellWindows> windows;
  if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                              windows.OutVoid())))
    return false;
  VARIANT location;
  VariantInit(&location);
  long window = 0;
  Com<IDispatch> desktop;
  if (windows->FindWindowSW(&location, &location, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, desktop.Out()) !=
          S_OK ||
      !desktop)
    return false;
  Com<IServiceProvider> provider;
  Com<IShellBrowser> browser;
  Com<IShellView> view;
  Com<IDispatch> background;
  Com<IShellFolderViewDual> folderView;
  Com<IDispatch> application;
  return SUCCEEDED(desktop->QueryInterface(IID_IServiceProvider, provider.OutVoid())) &&
         SUCCEEDED(provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.OutVoid())) &&
         SUCCEEDED(browser->QueryActiveShellView(view.Out())) &&
         SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.OutVoid())) &&
         SUCCEEDED(background->QueryInterface(IID_IShellFolderViewDual, folderView.OutVoid())) &&
         SUCCEEDED(folderView->get_Application(application.Out())) &&
         SUCCEEDED(application->QueryInterface(IID_IShellDispatch2, shell.OutVoid()));
}

}  // namespace

bool ProcessIsElevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  // A system without the query (before Vista) has no elevation either.
  const bool elevated = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
                        elevation.TokenIsElevated != 0;
  CloseHandle(token);
  return elevated;
}

bool OpenThroughDesktopShell(const std::wstring& target, const std::wstring& parameters) {
  // The calling thread may have COM already, in either model; it is left as it was.
  const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bool opened = false;
  {
    Com<IShellDispatch2> shell;
    if (DesktopShell(shell)) {
      BSTR file = SysAllocString(target.c_str());
      StringVariant arguments(parameters), folder(L""), operation(L"");
      VARIANT show;
      VariantInit(&show);
      show.vt = VT_I4;
      show.lVal = SW_SHOWNORMAL;
      opened = SUCCEEDED(shell->ShellExecute(file, arguments.value, folder.value, operation.value, show));
      SysFreeString(file);
    }
  }
  if (SUCCEEDED(initialised)) CoUninitialize();
  return opened;
}

}  // namespace platform::win32
