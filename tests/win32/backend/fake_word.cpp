// A stand-in for the word processor's automation object. It registers itself
// as "Word.Application", announces its application object in the running
// object table and writes every call made on it to a log, one line a call:
//   fake_word LOG_FILE SECONDS
#include <windows.h>

#include <oleauto.h>

#include <cstdio>
#include <string>

namespace {

// {6F1C2B7A-4D3E-4A51-9B8C-7E2D1F0A3C55}
constexpr CLSID kClsid = {
    0x6f1c2b7a, 0x4d3e, 0x4a51, {0x9b, 0x8c, 0x7e, 0x2d, 0x1f, 0x0a, 0x3c, 0x55}};
constexpr wchar_t kClsidText[] = L"{6F1C2B7A-4D3E-4A51-9B8C-7E2D1F0A3C55}";
constexpr DISPID kSelection = 1;
constexpr DISPID kGoTo = 10;

FILE* journal = nullptr;

void log(const std::wstring& line) {
  std::fprintf(journal, "%ls\n", line.c_str());
  std::fflush(journal);
}

std::wstring hex(unsigned v) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%04x", v);
  return text;
}

std::wstring describe(const VARIANT& v) {
  std::wstring text = L"vt=" + hex(v.vt);
  if (v.vt == (VT_BYREF | VT_VARIANT)) {
    text += v.pvarVal ? L" ref(" + describe(*v.pvarVal) + L")" : L" ref(null)";
  } else if (v.vt == VT_I2) {
    text += L" " + std::to_wstring(v.iVal);
  } else if (v.vt == VT_I4) {
    text += L" " + std::to_wstring(v.lVal);
  } else if (v.vt == VT_BSTR) {
    text += L" \"" + std::wstring(v.bstrVal ? v.bstrVal : L"") + L"\"";
  }
  return text;
}

class Object : public IDispatch {
 public:
  // The application object hands out `selection`; both live as long as the
  // server, so a release only counts.
  explicit Object(Object* selection) : application_(selection != nullptr), selection_(selection) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    std::wstring line =
        std::wstring(application_ ? L"Application" : L"Selection") + L".GetIDsOfNames";
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
      ids[i] = id_of(names[i], i == 0);
      if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
      line += L" " + std::wstring(names[i]) + L"=" + std::to_wstring(ids[i]);
    }
    log(line);
    return hr;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    std::wstring line = std::wstring(application_ ? L"Application" : L"Selection") +
                        L".Invoke id=" + std::to_wstring(id) + L" flags=" + std::to_wstring(flags) +
                        L" args=" + std::to_wstring(params->cArgs) + L" named=" +
                        std::to_wstring(params->cNamedArgs);
    for (UINT i = 0; i < params->cArgs; ++i) {
      line += L" [" + std::to_wstring(i) + L"]";
      if (i < params->cNamedArgs) line += L" id=" + std::to_wstring(params->rgdispidNamedArgs[i]);
      line += L" " + describe(params->rgvarg[i]);
    }
    log(line);
    if (application_ && id == kSelection && (flags & DISPATCH_PROPERTYGET)) {
      if (!result) return E_INVALIDARG;
      VariantInit(result);
      result->vt = VT_DISPATCH;
      selection_->AddRef();
      result->pdispVal = selection_;
      return S_OK;
    }
    if (!application_ && id == kGoTo && (flags & DISPATCH_METHOD)) {
      if (result) VariantInit(result);
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  DISPID id_of(const wchar_t* name, bool member) const {
    // The argument ids are the positions of GoTo's parameters, as in Word.
    if (application_) return member && !_wcsicmp(name, L"Selection") ? kSelection : DISPID_UNKNOWN;
    if (member) return !_wcsicmp(name, L"GoTo") ? kGoTo : DISPID_UNKNOWN;
    const wchar_t* params[] = {L"What", L"Which", L"Count", L"Name"};
    for (int i = 0; i < 4; ++i) {
      if (!_wcsicmp(name, params[i])) return i;
    }
    return DISPID_UNKNOWN;
  }

  bool application_;
  Object* selection_;
  ULONG refs_ = 1;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: fake_word LOG_FILE SECONDS\n");
    return 2;
  }
  journal = _wfopen(argv[1], L"w");
  if (!journal) return 1;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HKEY key;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, L"Word.Application\\CLSID", 0, nullptr, 0, KEY_WRITE,
                      nullptr, &key, nullptr) == ERROR_SUCCESS) {
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kClsidText),
                   sizeof(kClsidText));
    RegCloseKey(key);
  }
  Object selection(nullptr);
  Object application(&selection);
  DWORD cookie = 0;
  HRESULT hr = RegisterActiveObject(&application, kClsid, ACTIVEOBJECT_STRONG, &cookie);
  log(SUCCEEDED(hr) ? L"ready" : L"RegisterActiveObject failed " + hex(static_cast<unsigned>(hr)));
  SetTimer(nullptr, 0, static_cast<UINT>(_wtoi(argv[2]) * 1000), nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) break;
    DispatchMessageW(&msg);
  }
  RevokeActiveObject(cookie, nullptr);
  CoUninitialize();
  return 0;
}
