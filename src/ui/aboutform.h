// The about box: the program's logo, its version line and a few words, a
// link to the web server on this machine, and OK.
#pragma once

#include "forms/forms.h"

class TForm2 : public forms::TForm {
public:
    explicit TForm2(forms::TComponent* AOwner);
    ~TForm2() override;

    static constexpr int kClientWidth = 338;
    static constexpr int kClientHeight = 307;

    forms::TPanel* Panel1;
    forms::TPanel* Panel2;  // framed, holds the logo
    forms::TImage* logo;
    forms::TLabel* Label1;  // "Version: ..." (set by the main window)
    forms::TLabel* Label5;
    forms::TMemo* label4;
    forms::TLabel* Label6;
    forms::TLabel* url;
    forms::TLabel* Label2;
    forms::TBitBtn* bitbtn1;

    void FormResize(forms::TObject* Sender);
    void urlClick(forms::TObject* Sender);
};

// The one about box, created at start-up.
extern TForm2* Form2;
