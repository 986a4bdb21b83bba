// One toolkit application for the whole test program, made before the first test.
#include "../Toolkit/ToolkitTestSupport.h"

namespace {
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new TarvexTest::ToolkitEnvironment);
}  // namespace
