#include "platform/Application.h"
#include "platform/TickSource.h"

#include <gtest/gtest.h>

namespace {

// The widgets and timers need an application object; ticks are stepped by hand unless a test asks for the
// tick thread.
class EffectsEnvironment : public testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_effects";
        static char* argv[] = {name, nullptr};
        FApp = new TApplication(argc, argv);
        TTickSource::SetManualTicks(true);
    }
    void TearDown() override {
        delete FApp;
        FApp = nullptr;
    }

private:
    TApplication* FApp = nullptr;
};

const testing::Environment* const Environment = testing::AddGlobalTestEnvironment(new EffectsEnvironment);

} // namespace
