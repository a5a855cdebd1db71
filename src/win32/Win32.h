// The Windows headers for the window program. windows.h turns MessageBox into a macro, which
// would rename the user interface's MessageBox method, and defines the MB_ and ID constants as
// macros of the same values as the run's own; so the run's header comes first and the
// MessageBox macro is dropped. Include this before any other Windows header.
#pragma once

#include "app/UserInterface.h"
// after the run's header
#include <windows.h>
// after windows.h
#include <commdlg.h>
#include <shellapi.h>
#undef MessageBox
