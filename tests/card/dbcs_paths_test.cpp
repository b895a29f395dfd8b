#include <gtest/gtest.h>
#include "paths.h"
TEST(Smoke, Compiles) { EXPECT_FALSE(morvane::ProgramDirectory().empty()); }
