#pragma once

#include <windows.h>

#include <oaidl.h>

#include <memory>
#include <string_view>

#include "platform/automation.hpp"
#include "platform/win32/win32_handles.hpp"

namespace pr::win32 {

// COM for this thread, from construction to destruction.
class ComApartment {
 public:
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised_ = false;
};

// An automation object reached through IDispatch by names. The pointer is
// released when the object is destroyed.
std::unique_ptr<AutomationObject> dispatch_object(ComPtr<IDispatch> dispatch);

// The running instance that the running object table holds for the class;
// throws an automation error with the system's words when there is none.
std::unique_ptr<AutomationObject> attach_running(std::string_view prog_id);

}  // namespace pr::win32
