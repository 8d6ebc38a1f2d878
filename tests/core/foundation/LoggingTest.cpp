#include "foundation/DefaultLogger.h"
#include "foundation/DefaultLoggerFactory.h"
#include "foundation/LogLevel.h"

#include <gtest/gtest.h>

using namespace verandel;

TEST(LogLevelTest, ParsesOnlyExactLowerCaseNames)
{
    EXPECT_EQ(logLevelFromString(u"debug"), LogLevel::Debug);
    EXPECT_EQ(logLevelFromString(u"Debug"), std::nullopt);
}
