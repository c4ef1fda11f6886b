#pragma once
// A progress sink that shows nothing, for tests and benchmarks that do not
// look at the progress texts.

#include "engine/IProgressSink.h"

#include <string>

namespace tarnwel::test {

class CSilentProgressSink : public IProgressSink {
public:
    void SetRunningState() override {}
    void SetFinishedState() override {}
    void SetHeaderText(std::string) override {}
    void SetResultText(std::string) override {}
    void SetStatusLineText(ItemKind, std::string) override {}
    void SetStatusControl(ItemKind) override {}
    void ShowStatus(int) override {}
    void ShowStatusCount(int, int, int) override {}
};

} // namespace tarnwel::test
