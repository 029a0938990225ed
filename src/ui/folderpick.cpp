// The browse buttons of the folder fields.
#include "ui/domainproperties.h"

// The directory picker is not part of the window yet: until it is, the field
// takes the focus so that the folder can be typed. The picker goes here.
void PickFolderFor(forms::TEdit* Field) { Field->SetFocus(); }
