// Set-up for every window the unit tests build: no window of a test offers to
// set up the machine's own interpreters; the offers' tests give their own
// places. Run by the test framework before the first test, once every static
// of the program is in place.
#include <gtest/gtest.h>

#include "ui/interpreteroffers.h"

namespace {

class NoMachineInterpreters : public ::testing::Environment {
public:
    void SetUp() override { SetInterpreterRoot("/nonexistent-interpreter-root"); }
};

::testing::Environment* const kNoMachineInterpreters =
    ::testing::AddGlobalTestEnvironment(new NoMachineInterpreters);

}  // namespace
