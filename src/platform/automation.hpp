#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pr {

// A value passed to or returned from an automation call.
struct Variant {
  enum class Type { Empty, Int16, Int32, String };
  Type type = Type::Empty;
  std::int32_t number = 0;
  std::string text;

  static Variant int16(std::int16_t v) { return {Type::Int16, v, {}}; }
  static Variant int32(std::int32_t v) { return {Type::Int32, v, {}}; }
  static Variant string(std::string v) { return {Type::String, 0, std::move(v)}; }
  bool operator==(const Variant&) const = default;
};

// A named argument; `by_ref` passes a reference to `value`.
struct NamedArg {
  std::string name;
  Variant value;
  bool by_ref = false;
};

// An object of another program, reached by names at run time. Every call may
// throw an automation error; destroying the object releases the reference.
class AutomationObject {
 public:
  virtual ~AutomationObject() = default;
  virtual std::unique_ptr<AutomationObject> get_object(std::string_view property) = 0;
  virtual void call(std::string_view method, std::vector<NamedArg>& args) = 0;
};

std::string describe(const Variant& v);

}  // namespace pr
