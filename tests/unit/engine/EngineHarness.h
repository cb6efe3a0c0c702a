// The engine rig as a test fixture.
#pragma once

#include "tests/unit/engine/EngineRig.h"

#include <gtest/gtest.h>

namespace jostle::test {

class EngineTest : public ::testing::Test, public EngineRig {};

} // namespace jostle::test
