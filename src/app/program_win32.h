#pragma once
// The run of the program once its ports are bound: start-up, the main window and the
// message loop. Both composition roots end in here.

#include "platform/locale.h"
#include "startup/globals.h"

namespace qb::app {

// Makes every DLL loaded from now on, by the program or by the system's own libraries on
// its behalf, come from the system folder only, never from the program's folder: the
// programs ask for the highest rights available, and a DLL planted beside them would run
// with those rights. Both programs call it before anything else.
void LoadDllsFromSystemFolderOnly();

// Runs start-up on `g`; when it says the program may start, shows the main window and
// runs the message loop until the window unloads. Returns the process's exit code.
int RunProgram(Globals& g, platform::LocaleApi& locale, int showCommand);

} // namespace qb::app
