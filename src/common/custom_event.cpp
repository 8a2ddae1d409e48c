#include "common/custom_event.h"

// One table of eight consecutive event types, made in this order during static initialisation:
// the update answer first, the language change last, six reserved types between them.
wxDEFINE_EVENT(EVT_UPDATE_RESULT, wxCommandEvent);
namespace {
const wxEventType kReservedEventTypes[6] = {wxNewEventType(), wxNewEventType(), wxNewEventType(),
                                            wxNewEventType(), wxNewEventType(), wxNewEventType()};
}  // namespace
wxDEFINE_EVENT(EVT_LANGUAGE_CHANGED, wxCommandEvent);
