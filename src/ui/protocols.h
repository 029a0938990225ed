// The window's entry points into the five protocols' steps: each takes the
// main window as the engine face, the session and its index in the session
// list, never blocks, and ends its session only through state 99, whose close
// step it performs itself.
#pragma once

class Tquillnestform;
struct tsession;

void ProcessTelnet(Tquillnestform* form, tsession* session, int index);
void ProcessHttp(Tquillnestform* form, tsession* session, int index);
void ProcessSmtp(Tquillnestform* form, tsession* session, int index);
void ProcessPop3(Tquillnestform* form, tsession* session, int index);
void ProcessFtp(Tquillnestform* form, tsession* session, int index);
