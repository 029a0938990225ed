// The two message boxes the services and dialogs share. Texts are UTF-8.
#pragma once

#include <string>

namespace forms {
class TComponent;
}

namespace netunit {

// "Confirm" with Yes and No and the question icon; true when Yes was chosen.
bool ConfirmBox(forms::TComponent* window, const std::string& text);

// "Information" with an OK button and the information icon.
void InfoBox(forms::TComponent* window, const std::string& text);

}  // namespace netunit
