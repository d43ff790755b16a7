// DLLs only from the system folder.
//
// A technician starts Velmora with an administrator's rights from a folder a standard user
// may write to (Downloads). Windows looks for a DLL that is not one of its KnownDLLs in the
// program's own folder first, so a DLL planted there would run with those rights. The
// program therefore imports at load time only DLLs Windows always takes from its system
// folder, and reaches every other DLL's functions through SystemFunction.
#pragma once

#include <windows.h>

namespace velmora {

// The named export of a DLL loaded from the system folder, or null. The DLL stays loaded
// for the life of the process, so the address stays good.
FARPROC SystemFunction(const wchar_t* dll, const char* name);

// Makes the system folder the only place DLLs are loaded from by name for the rest of the
// process, also for those the system's own DLLs load later (the theme engine, the shell's
// helpers). Call first thing at start-up, before any window.
void LoadDllsOnlyFromSystemFolder();

}  // namespace velmora
