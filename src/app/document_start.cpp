#include <memory>
#include <vector>

#include "app/program.hpp"
#include "app/selection_overlay.hpp"
#include "core/constants.hpp"
#include "platform/errors.hpp"
#include "platform/keys.hpp"

namespace pr {

// Once per program run: move the running Word to the start of its document.
// Every step may fail silently; Ctrl+Home goes out in any case.
void SelectionOverlay::navigate_word() {
  ResumeNext step;
  std::unique_ptr<AutomationObject> word;
  step([&] { word = platform_.attach_automation("Word.Application"); });
  step([&] {
    if (!word) throw Error(ErrorKind::ObjectRequired, "Object required");
    std::unique_ptr<AutomationObject> selection = word->get_object("Selection");
    std::vector<NamedArg> args{
        {"What", Variant{}, true}, {"Which", Variant{}, true}, {"Name", Variant::int16(1), false}};
    selection->call("GoTo", args);
  });
  step([&] { platform_.send_keys({kDocumentStart}); });
}

}  // namespace pr
