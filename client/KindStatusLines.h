#pragma once
// Which status line of the main window (dialog 102) shows the progress of
// each item kind. The engine names the kind; the window, and whatever stands
// in for it in a test, shows the kind's texts on this line.

#include "records/CItemRecord.h"
#include "resources/client/MainDialogIds.h"

namespace tarnwel::main_dialog {

// The control id of the status line of `kind`; kResult for a value that is
// no kind, so that nothing else of the window is written over.
constexpr int StatusControlOf(ItemKind kind)
{
    switch (kind) {
    case kAppointmentKind:
        return kAppointmentStatus;
    case kContactKind:
        return kContactStatus;
    case kTaskKind:
        return kTaskStatus;
    }
    return kResult;
}

} // namespace tarnwel::main_dialog
