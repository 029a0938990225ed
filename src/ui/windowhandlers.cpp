// The window's own wiring: the layout on every resize and change of tab page,
// the list clicks that refresh the control states, the double clicks that
// open an item's properties, and the switches other controls depend on.
#include <initializer_list>
#include <utility>

#include "ui/quillnestform.h"

namespace {

// A double click runs whatever the Properties button runs at that moment, so
// the dialogs wire only their buttons.
forms::TNotifyEvent RunsButton(forms::TButton* button) {
    return [button](forms::TObject*) {
        if (auto handler = button->OnClick) handler(button);
    };
}

}  // namespace

void Tquillnestform::WireWindowHandlers() {
    // The layout pass also shows the home folder, which dialogs may change.
    auto relayout = [this](forms::TObject* s) {
        homedirlabel->SetCaption("Home directory: " + HomeDir);
        FormResize(s);
    };
    OnResize = relayout;
    for (forms::TTabbedNotebook* nb : {TabbedNotebook1, TabbedNotebook2, TabbedNotebook4, TabbedNotebook6, TabbedNotebook7})
        nb->OnClick = relayout;
    for (forms::TPageControl* pc : {tabbednotebook3, tabbednotebook5, mailtabs}) pc->OnChange = relayout;

    auto refresh = [this](forms::TObject*) { UpdateControls(); };
    const std::pair<forms::TListBox*, forms::TButton*> lists[] = {
        {webdomainslist, webdomainproperties}, {virtualpathslist, virtualpathproperties},
        {mimelist, mimeproperties},            {cgitypeslist, cgitypeproperties},
        {anonymouspathslist, bitbtn11},        {sharedpathslist, bitbtn6},
        {superuserpathslist, bitbtn8},         {emaildomains, changemailhost},
        {forwards, forwardproperties},         {consoleapplist, consoleappproperties},
        {blacklist, banproperties},            {triggerlistbox, triggerproperties},
    };
    for (const auto& [list, properties] : lists) {
        list->OnClick = refresh;
        list->OnDblClick = RunsButton(properties);
    }
    accountslist->OnClick = refresh;
    accountslist->OnDblClick = RunsButton(accountpropertiesbutton);

    for (forms::TCheckBox* sw : {cgienabled, ssienabled, relayemail, anonymousenabled, anonmaxbancheck,
                                 anonmaxconcheck, maxrcptcheck})
        sw->OnClick = refresh;
    WireLogPanel();
    WireWindowCommands();
}
