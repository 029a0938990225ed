#include "netunit/msgboxes.h"

#include "forms/dialogs.h"

namespace netunit {

bool ConfirmBox(forms::TComponent* /*window*/, const std::string& text) {
    return forms::MessageBox(text, "Confirm", forms::mtConfirmation, forms::mbYes | forms::mbNo) ==
           forms::mrYes;
}

void InfoBox(forms::TComponent* /*window*/, const std::string& text) {
    forms::MessageBox(text, "Information", forms::mtInformation, forms::mbOK);
}

}  // namespace netunit
