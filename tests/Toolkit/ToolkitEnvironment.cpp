// One application object and one installed toolkit for the whole test program.
#include "ToolkitTestSupport.h"

namespace {
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new TarvexTest::ToolkitEnvironment);
}
