// The home folder dialog: the folder under which every account has its own
// folder. Choosing another one can move the old folder's contents across.
#pragma once

#include <string>
#include <vector>

#include "forms/forms.h"

class Thomeform : public forms::TForm {
public:
    explicit Thomeform(forms::TComponent* AOwner);
    ~Thomeform() override;

    forms::TEdit* hdir;
    forms::TButton* browse;
    forms::TButton* ok;
    forms::TButton* cancel;

    void FormCreate(forms::TObject* Sender);
    void FormResize(forms::TObject* Sender);
    void FormShow(forms::TObject* Sender);
    void okClick(forms::TObject* Sender);
    void browseClick(forms::TObject* Sender);

private:
    void Refuse(const std::string& Message);
    // Moves From's entries into To while the services keep running; the
    // names that stayed behind.
    std::vector<std::string> MoveWhileServing(const std::string& From, const std::string& To);
};

extern Thomeform* homeform;

// The text with "/" appended, unless it is empty or already ends in "/".
std::string WithBackslash(const std::string& Text);
