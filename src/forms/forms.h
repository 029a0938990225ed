// The component layer the window code is written against: components and
// controls that keep the behaviour of the desktop class library the server was
// designed on (see the notes on each class), drawn by Qt Widgets.
//
// Ownership: a component is owned by its Owner (deleted with it); a control is
// shown inside its Parent. Geometry is pixel geometry set by code. Every event
// handler runs inside the exception guard (platform::RunGuarded).
#pragma once

#include "forms/classes.h"
#include "forms/comctrls.h"
#include "forms/controls.h"
#include "forms/dialogs.h"
#include "forms/form.h"
#include "forms/menus.h"
#include "forms/stdctrls.h"
#include "forms/timer.h"
