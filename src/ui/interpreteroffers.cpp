// Each activation of the window offers to set up PHP and Perl as CGI types
// while their switches are on and their interpreters are found. An offer
// declined, or a type that already runs the interpreter, switches it off;
// the switches and any new type reach the files with the next save.
#include "ui/interpreteroffers.h"

#include <memory>

#include "core/textcut.h"
#include "netunit/msgboxes.h"
#include "netunit/names.h"
#include "netunit/textutil.h"
#include "ui/quillnestform.h"

namespace {

std::string root;

struct tinterpreteroffer {
    bool Tquillnestform::*Detect;
    const std::vector<std::string>& (*Places)();
    const char* Word;  // an interpreter naming it (upper-cased) is already set up
    const char* Question;
    const char* Extension;
};

const tinterpreteroffer kOffers[] = {
    {&Tquillnestform::DetectPhp, PhpInterpreterPlaces, "PHP",
     "PHP has been detected on your system.\n\nWould you like Quillnest to automatically setup to run PHP scripts?",
     "php"},
    {&Tquillnestform::DetectPerl, PerlInterpreterPlaces, "PERL",
     "PERL has been detected on your system.\n\nWould you like Quillnest to automatically setup to run PERL scripts?",
     "pl"},
};

std::string FirstExisting(const std::vector<std::string>& places) {
    for (const std::string& place : places)
        if (netunit::WideFileExists(root + place)) return root + place;
    return {};
}

}  // namespace

const std::vector<std::string>& PhpInterpreterPlaces() {
    static const std::vector<std::string> places = {"/usr/local/bin/php-cgi", "/usr/bin/php-cgi"};
    return places;
}

const std::vector<std::string>& PerlInterpreterPlaces() {
    static const std::vector<std::string> places = {"/usr/local/bin/perl", "/usr/bin/perl"};
    return places;
}

void SetInterpreterRoot(const std::string& Root) { root = Root; }

void Tquillnestform::FormActivate(forms::TObject*) {
    // The question's own box takes the activation away and gives it back.
    if (OfferingInterpreters) return;
    OfferingInterpreters = true;
    for (const tinterpreteroffer& offer : kOffers) {
        bool& detect = this->*offer.Detect;
        if (!detect) continue;
        const std::string interpreter = FirstExisting(offer.Places());
        if (interpreter.empty()) continue;
        bool present = false;
        for (const auto& type : ScriptTypeList)
            present = present || netunit::AsciiUpperCase(type->Interpreter).find(offer.Word) != std::string::npos;
        if (present || !netunit::ConfirmBox(this, offer.Question)) {
            detect = false;
            continue;
        }
        auto type = std::make_unique<core::tscripttype>();
        type->Extension = offer.Extension;
        type->Interpreter = CutToCapacity(interpreter, core::kTextCapacity);
        type->OutsideCgiFolder = true;
        cgitypeslist->Items()->Add(type->Extension);
        ScriptTypeList.push_back(std::move(type));
        cgienabled->SetChecked(true);
    }
    OfferingInterpreters = false;
}
