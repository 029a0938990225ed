// The Telnet step's settings snapshot and the window's Telnet entry point.
#include "ui/protocols.h"
#include "telnet/telnet.h"
#include "ui/protocolsettings.h"
#include "ui/quillnestform.h"

telnet::TelnetSettings telnet::TelnetSettingsOf(const Tquillnestform& Form) {
    TelnetSettings s;
    s.Accounts = &Form.Accounts;
    s.ConsolePrograms = &Form.ConsoleProgramList;
    s.CommandPrompt = Form.commandprompt->Checked();
    s.SplashFile = Form.telnetsplash->Text();
    s.HomeDir = Form.HomeDir;
    s.Environment = &Form.EnvironmentBlock;
    return s;
}

void ProcessTelnet(Tquillnestform* form, tsession* session, int index) {
    telnet::TelnetStep step{.Face = *form,
                            .Telnet = form->Telnet,
                            .Settings = {[form] { return telnet::TelnetSettingsOf(*form); }},
                            .AccountChanged = [form] { form->SaveAccounts(); }};
    telnet::StepTelnet(step, session, index);
}
