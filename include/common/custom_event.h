// The program's custom command event types, made once during static initialisation as one table
// of eight consecutive types; the first and the last are used, the six between are reserved.
#pragma once

#include <wx/event.h>

// The update check's answer, queued to the application's top window with id 0; the command
// event's string is the latest version, or empty when none was obtained.
wxDECLARE_EVENT(EVT_UPDATE_RESULT, wxCommandEvent);
// The language chosen in the menu, queued to the top window with the top window's id; the
// command event's integer is the language number.
wxDECLARE_EVENT(EVT_LANGUAGE_CHANGED, wxCommandEvent);
