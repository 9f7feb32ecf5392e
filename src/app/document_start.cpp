#include <memory>
#include <vector>

#include "app/program.hpp"
#include "app/selection_overlay.hpp"
#include "core/constants.hpp"
#include "platform/errors.hpp"
#include "platform/keys.hpp"

namespace pr {

// Once per program run: move the running Word to the start of its document.
// Most documents are in no Word at all, so a failure here is silent; Ctrl+Home
// goes out in any case.
void SelectionOverlay::navigate_word() {
  std::unique_ptr<AutomationObject> word;
  carry_on_after_failure([&] { word = platform_.attach_automation("Word.Application"); });
  if (word) {
    carry_on_after_failure([&] {
      std::unique_ptr<AutomationObject> selection = word->get_object("Selection");
      std::vector<NamedArg> args{{"What", Variant{}, true},
                                 {"Which", Variant{}, true},
                                 {"Name", Variant::int16(1), false}};
      selection->call("GoTo", args);
    });
  }
  platform_.send_keys({kDocumentStart});
}

}  // namespace pr
