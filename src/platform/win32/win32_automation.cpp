#include "platform/win32/win32_automation.hpp"

#include <oleauto.h>

#include <string>
#include <vector>

#include "platform/errors.hpp"
#include "platform/report.hpp"
#include "platform/wide_text.hpp"

namespace pr::win32 {

namespace {

// The automation object's own words when it gave any, else the system's.
[[noreturn]] void fail(std::string_view what, HRESULT hr, const EXCEPINFO* exception = nullptr) {
  if (exception && exception->bstrDescription) {
    throw Error(std::string(what) + ": " + narrow(exception->bstrDescription));
  }
  throw_win32_error(what, static_cast<unsigned long>(hr));
}

// EXCEPINFO's strings, freed however the call ends.
struct ExceptionInfo {
  EXCEPINFO info{};
  ~ExceptionInfo() {
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
  }
};

struct VariantHolder {
  VARIANT value;
  VariantHolder() { VariantInit(&value); }
  ~VariantHolder() { VariantClear(&value); }
  VariantHolder(const VariantHolder&) = delete;
  VariantHolder& operator=(const VariantHolder&) = delete;
};

void to_variant(const Variant& from, VARIANT& to) {
  VariantClear(&to);
  switch (from.type) {
    case Variant::Type::Empty:
      break;
    case Variant::Type::Int16:
      to.vt = VT_I2;
      to.iVal = static_cast<SHORT>(from.number);
      break;
    case Variant::Type::Int32:
      to.vt = VT_I4;
      to.lVal = from.number;
      break;
    case Variant::Type::String:
      to.vt = VT_BSTR;
      to.bstrVal = SysAllocString(widen(from.text).c_str());
      break;
  }
}

Variant from_variant(const VARIANT& v) {
  switch (v.vt) {
    case VT_I2:
      return Variant::int16(v.iVal);
    case VT_I4:
      return Variant::int32(v.lVal);
    case VT_BSTR:
      return Variant::string(v.bstrVal ? narrow(v.bstrVal) : std::string());
    default:
      return {};
  }
}

class DispatchObject : public AutomationObject {
 public:
  explicit DispatchObject(ComPtr<IDispatch> dispatch) : dispatch_(std::move(dispatch)) {}

  std::unique_ptr<AutomationObject> get_object(std::string_view property) override {
    std::wstring name = widen(std::string(property));
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) fail(property, hr);
    DISPPARAMS params{};
    VariantHolder result;
    ExceptionInfo exception;
    UINT bad_arg = 0;
    hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &params,
                           &result.value, &exception.info, &bad_arg);
    if (FAILED(hr)) fail(property, hr, &exception.info);
    ComPtr<IDispatch> object;
    IUnknown* unknown = result.value.vt == VT_DISPATCH  ? result.value.pdispVal
                        : result.value.vt == VT_UNKNOWN ? result.value.punkVal
                                                        : nullptr;
    if (!unknown) throw Error(std::string(property) + ": not an object");
    hr = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object.put()));
    if (FAILED(hr)) fail(property, hr);
    return dispatch_object(std::move(object));
  }

  void call(std::string_view method, std::vector<NamedArg>& args) override {
    // One look-up for the method and its argument names; ids[0] is the method.
    std::vector<std::wstring> names{widen(std::string(method))};
    for (const NamedArg& a : args) names.push_back(widen(a.name));
    std::vector<LPOLESTR> name_ptrs;
    for (std::wstring& n : names) name_ptrs.push_back(n.data());
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
    HRESULT hr =
        dispatch_->GetIDsOfNames(IID_NULL, name_ptrs.data(), static_cast<UINT>(name_ptrs.size()),
                                 LOCALE_USER_DEFAULT, ids.data());
    if (FAILED(hr)) fail(method, hr);

    // DISPPARAMS holds the arguments last first; a by-reference argument
    // points at a variant of ours that the callee may change.
    const std::size_t n = args.size();
    std::vector<VariantHolder> values(n);
    std::vector<VARIANT> passed(n);
    std::vector<DISPID> named(n);
    for (std::size_t i = 0; i < n; ++i) {
      std::size_t slot = n - 1 - i;
      to_variant(args[i].value, values[i].value);
      VariantInit(&passed[slot]);
      if (args[i].by_ref) {
        passed[slot].vt = VT_BYREF | VT_VARIANT;
        passed[slot].pvarVal = &values[i].value;
      } else {
        passed[slot] = values[i].value;
      }
      named[slot] = ids[i + 1];
    }
    DISPPARAMS params{passed.data(), named.data(), static_cast<UINT>(n), static_cast<UINT>(n)};
    VariantHolder result;
    ExceptionInfo exception;
    UINT bad_arg = 0;
    hr = dispatch_->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                           &result.value, &exception.info, &bad_arg);
    if (FAILED(hr)) fail(method, hr, &exception.info);
    for (std::size_t i = 0; i < n; ++i) {
      if (args[i].by_ref) args[i].value = from_variant(values[i].value);
    }
  }

 private:
  ComPtr<IDispatch> dispatch_;
};

}  // namespace

ComApartment::ComApartment() {
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  initialised_ = SUCCEEDED(hr);
}

ComApartment::~ComApartment() {
  if (initialised_) CoUninitialize();
}

std::unique_ptr<AutomationObject> dispatch_object(ComPtr<IDispatch> dispatch) {
  return std::make_unique<DispatchObject>(std::move(dispatch));
}

std::unique_ptr<AutomationObject> attach_running(std::string_view prog_id) {
  std::wstring name = widen(std::string(prog_id));
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(name.c_str(), &clsid);
  if (FAILED(hr)) fail(prog_id, hr);
  ComPtr<IUnknown> unknown;
  hr = GetActiveObject(clsid, nullptr, unknown.put());
  if (FAILED(hr)) fail(prog_id, hr);
  ComPtr<IDispatch> dispatch;
  hr = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put()));
  if (FAILED(hr)) fail(prog_id, hr);
  return dispatch_object(std::move(dispatch));
}

}  // namespace pr::win32
