// The Recycle Bin. Where a drive has no bin, or the bin cannot take a file,
// the shell destroys the file and still reports success; every way here
// checks what really became of it.
#include <windows.h>
// After windows.h, which they need.
#include <shellapi.h>
#include <shobjidl.h>

#include <atomic>
#include <optional>
#include <string>

#include "platform/files.hpp"
#include "platform/report.hpp"
#include "platform/win32/win32_handles.hpp"
#include "platform/win32/win32_platform.hpp"
#include "platform/win32/win32_trash.hpp"

namespace pr::win32 {
namespace {

std::string hresult_text(HRESULT hr) {
  return win32_error_text(static_cast<unsigned long>(hr));
}

bool still_there(const std::wstring& path) {
  // The attributes of a link are its own: a dangling link is still there.
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  const DWORD error = GetLastError();
  return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

// Hears what became of the one item: recycled, destroyed, or failed.
class DeleteSink final : public IFileOperationProgressSink {
 public:
  bool heard() const { return heard_; }
  HRESULT result() const { return result_; }
  bool recycled() const { return recycled_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IFileOperationProgressSink) {
      *out = static_cast<IFileOperationProgressSink*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // The item in the bin, or null when it was destroyed instead.
  HRESULT STDMETHODCALLTYPE PostDeleteItem(DWORD, IShellItem*, HRESULT result,
                                           IShellItem* in_bin) override {
    heard_ = true;
    result_ = result;
    recycled_ = SUCCEEDED(result) && in_bin != nullptr;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE StartOperations() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE FinishOperations(HRESULT) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE PreRenameItem(DWORD, IShellItem*, LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE PostRenameItem(DWORD, IShellItem*, LPCWSTR, HRESULT,
                                           IShellItem*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE PreMoveItem(DWORD, IShellItem*, IShellItem*, LPCWSTR) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE PostMoveItem(DWORD, IShellItem*, IShellItem*, LPCWSTR, HRESULT,
                                         IShellItem*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE PreCopyItem(DWORD, IShellItem*, IShellItem*, LPCWSTR) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE PostCopyItem(DWORD, IShellItem*, IShellItem*, LPCWSTR, HRESULT,
                                         IShellItem*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE PreDeleteItem(DWORD, IShellItem*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE PreNewItem(DWORD, IShellItem*, LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE PostNewItem(DWORD, IShellItem*, LPCWSTR, LPCWSTR, DWORD, HRESULT,
                                        IShellItem*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE UpdateProgress(UINT, UINT) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ResetTimer() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE PauseTimer() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ResumeTimer() override { return S_OK; }

 private:
  ~DeleteSink() = default;

  std::atomic<ULONG> references_{1};
  bool heard_ = false;
  HRESULT result_ = S_OK;
  bool recycled_ = false;
};

// The shell's file operation object, which says per item whether it reached
// the bin. Nothing (and nothing touched) where the shell does not implement
// it, as in Wine.
std::optional<std::string> recycle_by_file_operation(const std::wstring& path) {
  ComPtr<IFileOperation> operation;
  if (FAILED(CoCreateInstance(CLSID_FileOperation, nullptr, CLSCTX_ALL, IID_IFileOperation,
                              reinterpret_cast<void**>(operation.put())))) {
    return std::nullopt;
  }
  // Never a dialog; a file that cannot be recycled is destroyed silently, and
  // the sink tells.
  if (FAILED(operation->SetOperationFlags(FOFX_RECYCLEONDELETE | FOF_NOCONFIRMATION | FOF_SILENT |
                                          FOF_NOERRORUI | FOFX_EARLYFAILURE))) {
    return std::nullopt;
  }
  ComPtr<IShellItem> item;
  HRESULT hr = SHCreateItemFromParsingName(path.c_str(), nullptr, IID_IShellItem,
                                           reinterpret_cast<void**>(item.put()));
  if (FAILED(hr)) return hresult_text(hr);
  auto sink = ComPtr<DeleteSink>::adopt(new DeleteSink);
  hr = operation->DeleteItem(item.get(), sink.get());
  if (hr == E_NOTIMPL) return std::nullopt;
  if (FAILED(hr)) return hresult_text(hr);
  hr = operation->PerformOperations();
  if (hr == E_NOTIMPL) return std::nullopt;
  if (sink->heard()) {
    if (FAILED(sink->result())) return hresult_text(sink->result());
    if (sink->recycled()) return std::string();
  } else {
    if (FAILED(hr)) return hresult_text(hr);
    BOOL aborted = FALSE;
    if (SUCCEEDED(operation->GetAnyOperationsAborted(&aborted)) && aborted) return "cancelled";
  }
  if (still_there(path)) return "the Recycle Bin did not take it";
  return "the Recycle Bin did not take it; the system deleted it for good";
}

// Set when the shell tries to open a window during our operation.
thread_local bool shell_asked = false;

// Refuses every window the shell opens on this thread: the only one it
// would open with these flags is its question whether to destroy a file the
// bin cannot take, and a window that is not made answers no.
LRESULT CALLBACK refuse_windows(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_CREATEWND) {
    shell_asked = true;
    return 1;
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

std::string recycle_by_shell_operation(const std::wstring& path) {
  // The shell takes a list of names, each ended by a NUL, the list by another.
  std::wstring from = path;
  from.push_back(L'\0');
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  // Without FOF_WANTNUKEWARNING the shell destroys what the bin cannot take
  // and reports success; with it, it asks first, and the hook says no.
  operation.fFlags =
      FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_WANTNUKEWARNING | FOF_SILENT | FOF_NOERRORUI;
  UniqueHook hook(SetWindowsHookExW(WH_CBT, refuse_windows, nullptr, GetCurrentThreadId()));
  if (!hook) return "no guard against a deletion for good: " + win32_error_text(GetLastError());
  shell_asked = false;
  const int result = SHFileOperationW(&operation);
  hook.reset();
  if (shell_asked) return "the Recycle Bin cannot take it";
  if (result != 0) return win32_error_text(static_cast<unsigned long>(result));
  if (operation.fAnyOperationsAborted) return "cancelled";
  // Wine's shell reports success when the bin's folder for its records is unusable.
  if (still_there(path)) return "the Recycle Bin did not take it";
  return "";
}

}  // namespace

std::string move_to_recycle_bin(const std::filesystem::path& path) {
  std::error_code error;
  const std::wstring full = std::filesystem::absolute(path, error).native();
  if (error) return error.message();
  // Wine moves a Linux link's target instead of the link.
  if (files::is_followed_link(full)) return "a link that the system would follow to its target";
  if (auto outcome = recycle_by_file_operation(full)) return *outcome;
  return recycle_by_shell_operation(full);
}

std::string Win32Platform::move_to_trash(const std::filesystem::path& path) {
  return move_to_recycle_bin(path);
}

}  // namespace pr::win32
