#include "platform/automation.hpp"

namespace pr {

std::string describe(const Variant& v) {
  switch (v.type) {
    case Variant::Type::Empty:
      return "Empty";
    case Variant::Type::Int16:
      return std::to_string(v.number) + ":i2";
    case Variant::Type::Int32:
      return std::to_string(v.number) + ":i4";
    case Variant::Type::String:
      return "\"" + v.text + "\"";
  }
  return "?";
}

}  // namespace pr
