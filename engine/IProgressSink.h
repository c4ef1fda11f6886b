#pragma once
// What a replication job tells the window about its progress. Every operation
// is called on the job's worker thread; the window carries the change to its
// own thread if it must.

#include "records/CItemRecord.h"

#include <string>

namespace tarnwel {

class IProgressSink {
public:
    virtual ~IProgressSink() = default;

    // The window shows that a run is active / that none is.
    virtual void SetRunningState() = 0;
    virtual void SetFinishedState() = 0;
    virtual void SetHeaderText(std::string text) = 0;
    virtual void SetResultText(std::string text) = 0;
    // Sets the text of a kind's status line directly (kinds that are not
    // replicated). Where a kind's line is shown is the window's business.
    virtual void SetStatusLineText(ItemKind kind, std::string text) = 0;
    // The kind whose status line the following status texts go to.
    virtual void SetStatusControl(ItemKind kind) = 0;
    // The string-table text `stringId`; with two numbers it is a format with
    // "%d" placeholders.
    virtual void ShowStatus(int stringId) = 0;
    virtual void ShowStatusCount(int stringId, int first, int second) = 0;
    // A note for the user about the run of the kind whose status control
    // was set last, given once a run (pairs of a mapping file that were
    // lost). A window may pass over it; a printing sink prints it.
    virtual void ShowNotice(std::string /*text*/) {}
    // Hooks without an effect of their own.
    virtual void OnServerItemsFetched(int /*count*/) {}
    virtual void OnItemTick() {}
    virtual void OnStepDone() {}
};

} // namespace tarnwel
