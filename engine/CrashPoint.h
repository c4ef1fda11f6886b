#pragma once
// Named points of a run at which the process may end as a crash would end it:
// right after a server request has been answered, after each write, save or
// delete of an Outlook item, after the mapping file was replaced. A test
// registers a hook that ends a child process at the point it chose (with
// _exit, so nothing is flushed or saved), then checks that the next run
// repairs what the crash left. Programs never register a hook; a point then
// costs one test of a null pointer.

namespace tarnwel {

using CrashPointHook = void (*)(const char* point);

// Registers the hook (null: none). For tests only.
void SetCrashPointHook(CrashPointHook hook);

// Calls the hook, when one is registered, with the point's name.
void CrashPoint(const char* point);

} // namespace tarnwel
