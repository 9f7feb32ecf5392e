// The Win32 backend's keystrokes and its automation through IDispatch, with
// no window.
#include <windows.h>

#include <gtest/gtest.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "platform/errors.hpp"
#include "platform/win32/win32_automation.hpp"
#include "platform/win32/win32_keys.hpp"

namespace pr::win32 {
namespace {

// ---- keystrokes ----

struct Stroke {
  WORD vk;
  WORD scan;
  DWORD flags;
};

std::vector<Stroke> strokes(const std::vector<KeyChord>& chords) {
  std::vector<Stroke> out;
  for (const INPUT& in : key_inputs(chords)) {
    EXPECT_EQ(in.type, static_cast<DWORD>(INPUT_KEYBOARD));
    out.push_back({in.ki.wVk, in.ki.wScan, in.ki.dwFlags});
  }
  return out;
}

TEST(KeyInput, PageDownAndHomeAreExtendedKeysPressedThenReleased) {
  auto pgdn = strokes({{0, Key::PageDown, 0}});
  ASSERT_EQ(pgdn.size(), 2u);
  EXPECT_EQ(pgdn[0].vk, VK_NEXT);
  EXPECT_EQ(pgdn[0].flags, static_cast<DWORD>(KEYEVENTF_EXTENDEDKEY));
  EXPECT_EQ(pgdn[1].vk, VK_NEXT);
  EXPECT_EQ(pgdn[1].flags, static_cast<DWORD>(KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP));

  auto enter = strokes({{0, Key::Enter, 0}});
  ASSERT_EQ(enter.size(), 2u);
  EXPECT_EQ(enter[0].vk, VK_RETURN);
  EXPECT_EQ(enter[0].flags & KEYEVENTF_EXTENDEDKEY, 0u);
}

TEST(KeyInput, CtrlHomeHoldsCtrlAroundHome) {
  auto keys = strokes({{kCtrl, Key::Home, 0}});
  ASSERT_EQ(keys.size(), 4u);
  EXPECT_EQ(keys[0].vk, VK_CONTROL);
  EXPECT_EQ(keys[0].flags, 0u);
  EXPECT_EQ(keys[1].vk, VK_HOME);
  EXPECT_EQ(keys[1].flags, static_cast<DWORD>(KEYEVENTF_EXTENDEDKEY));
  EXPECT_EQ(keys[2].vk, VK_HOME);
  EXPECT_EQ(keys[2].flags, static_cast<DWORD>(KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP));
  EXPECT_EQ(keys[3].vk, VK_CONTROL);
  EXPECT_EQ(keys[3].flags, static_cast<DWORD>(KEYEVENTF_KEYUP));
}

TEST(KeyInput, CharactersAreTypedAsUnicodeUnlessCtrlIsHeld) {
  auto chinese = strokes({{0, Key::Character, U'截'}});
  ASSERT_EQ(chinese.size(), 2u);
  EXPECT_EQ(chinese[0].vk, 0);
  EXPECT_EQ(chinese[0].scan, 0x622A);
  EXPECT_EQ(chinese[0].flags, static_cast<DWORD>(KEYEVENTF_UNICODE));
  EXPECT_EQ(chinese[1].flags, static_cast<DWORD>(KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));

  // Outside the basic plane: a surrogate pair, each unit pressed and released.
  auto emoji = strokes({{0, Key::Character, U'\U0001F600'}});
  ASSERT_EQ(emoji.size(), 4u);
  EXPECT_EQ(emoji[0].scan, 0xD83D);
  EXPECT_EQ(emoji[2].scan, 0xDE00);

  // Ctrl+A must be the A key with Ctrl down, not a typed "a".
  auto ctrl_a = strokes({{kCtrl, Key::Character, U'a'}});
  ASSERT_EQ(ctrl_a.size(), 4u);
  EXPECT_EQ(ctrl_a[0].vk, VK_CONTROL);
  EXPECT_EQ(ctrl_a[1].vk, 'A');
  EXPECT_EQ(ctrl_a[1].flags & KEYEVENTF_UNICODE, 0u);
}

// ---- automation through IDispatch ----

// An in-process IDispatch that records what it is asked.
class RecordingDispatch : public IDispatch {
 public:
  std::vector<std::wstring> names;
  HRESULT names_result = S_OK;
  HRESULT invoke_result = S_OK;
  WORD flags = 0;
  DISPID invoked = 0;
  std::vector<VARTYPE> types;
  std::vector<VARTYPE> referenced_types;
  std::vector<DISPID> named;
  std::vector<SHORT> shorts;
  RecordingDispatch* property = nullptr;  // what a property get returns
  ULONG refs = 1;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* n, UINT count, LCID,
                                          DISPID* ids) override {
    for (UINT i = 0; i < count; ++i) {
      names.emplace_back(n[i]);
      ids[i] = static_cast<DISPID>(100 + i);
    }
    return names_result;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD f, DISPPARAMS* p, VARIANT* result,
                                   EXCEPINFO*, UINT*) override {
    invoked = id;
    flags = f;
    for (UINT i = 0; i < p->cArgs; ++i) {
      const VARIANT& v = p->rgvarg[i];
      types.push_back(v.vt);
      referenced_types.push_back(v.vt & VT_BYREF ? v.pvarVal->vt : VARTYPE(VT_EMPTY));
      shorts.push_back(v.vt == VT_I2 ? v.iVal : SHORT(-1));
      // A by-reference argument may be changed by the callee.
      if (v.vt == (VT_BYREF | VT_VARIANT)) {
        v.pvarVal->vt = VT_I4;
        v.pvarVal->lVal = 7;
      }
    }
    for (UINT i = 0; i < p->cNamedArgs; ++i) named.push_back(p->rgdispidNamedArgs[i]);
    if (f == DISPATCH_PROPERTYGET && property && SUCCEEDED(invoke_result)) {
      result->vt = VT_DISPATCH;
      property->AddRef();
      result->pdispVal = property;
    }
    return invoke_result;
  }
};

std::unique_ptr<AutomationObject> wrap(RecordingDispatch& d) {
  d.AddRef();
  return dispatch_object(ComPtr<IDispatch>::adopt(&d));
}

TEST(Automation, GoToIsOneInvokeWithThreeNamedArgumentsLastFirst) {
  RecordingDispatch selection;
  {
    auto object = wrap(selection);
    std::vector<NamedArg> args{
        {"What", Variant{}, true}, {"Which", Variant{}, true}, {"Name", Variant::int16(1), false}};
    object->call("GoTo", args);
    // The callee wrote through the references into our arguments.
    EXPECT_EQ(args[0].value, Variant::int32(7));
    EXPECT_EQ(args[2].value, Variant::int16(1));
  }
  EXPECT_EQ(selection.names, (std::vector<std::wstring>{L"GoTo", L"What", L"Which", L"Name"}));
  EXPECT_EQ(selection.invoked, 100);
  EXPECT_EQ(selection.flags, DISPATCH_METHOD);
  // rgvarg[0] is the last argument, Name; the named ids follow the same order.
  EXPECT_EQ(selection.types,
            (std::vector<VARTYPE>{VT_I2, VT_BYREF | VT_VARIANT, VT_BYREF | VT_VARIANT}));
  EXPECT_EQ(selection.referenced_types, (std::vector<VARTYPE>{VT_EMPTY, VT_EMPTY, VT_EMPTY}));
  EXPECT_EQ(selection.shorts[0], 1);
  EXPECT_EQ(selection.named, (std::vector<DISPID>{103, 102, 101}));
  EXPECT_EQ(selection.refs, 1u) << "the reference is released with the object";
}

TEST(Automation, PropertyGetGivesAnObjectAndEveryReferenceIsReleased) {
  RecordingDispatch application, selection;
  application.property = &selection;
  {
    auto app = wrap(application);
    auto sel = app->get_object("Selection");
    ASSERT_NE(sel, nullptr);
    EXPECT_EQ(application.flags, DISPATCH_PROPERTYGET);
    EXPECT_EQ(application.names, std::vector<std::wstring>{L"Selection"});
    EXPECT_GT(selection.refs, 1u);
  }
  EXPECT_EQ(application.refs, 1u);
  EXPECT_EQ(selection.refs, 1u);
}

TEST(Automation, FailuresThrowAutomationErrorsWithTheSystemsWords) {
  RecordingDispatch d;
  d.names_result = DISP_E_UNKNOWNNAME;
  auto object = wrap(d);
  std::vector<NamedArg> none;
  try {
    object->call("GoTo", none);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("GoTo: "), std::string::npos);
    EXPECT_GT(std::string(e.what()).size(), std::string("GoTo: ").size());
  }
  EXPECT_EQ(d.invoked, 0) << "no Invoke after a failed look-up";

  RecordingDispatch refusing;
  refusing.invoke_result = DISP_E_MEMBERNOTFOUND;
  EXPECT_THROW(wrap(refusing)->get_object("Selection"), Error);
  // A property that is no object.
  RecordingDispatch empty;
  EXPECT_THROW(wrap(empty)->get_object("Selection"), Error);
  EXPECT_EQ(empty.refs, 1u);

  ComApartment com;
  try {
    attach_running("Pagerook.NoSuchClass");
    FAIL() << "attached to nothing";
  } catch (const Error& e) {
  }
}

}  // namespace
}  // namespace pr::win32
