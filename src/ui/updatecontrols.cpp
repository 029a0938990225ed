// The enabled states of the window's list buttons, recomputed from the
// current control values after every change that can affect them.
#include "ui/quillnestform.h"

namespace {
void EnableWhenSelected(const forms::TListBox* list, std::initializer_list<forms::TControl*> controls) {
    const bool selected = list->ItemIndex() != -1;
    for (forms::TControl* c : controls) c->SetEnabled(selected);
}
}  // namespace

// Only the Blacklist page's rows are here so far; the other pages' rows come
// with the window's layout.
void Tquillnestform::UpdateControls() {
    EnableWhenSelected(blacklist, {removeban, banproperties});
    EnableWhenSelected(triggerlistbox, {removetrigger, triggerproperties});
}
