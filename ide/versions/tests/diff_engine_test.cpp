#include <gtest/gtest.h>

#include "ide/versions/checksum.h"
#include "ide/versions/diff_engine.h"
#include "ide/versions/edit_script.h"
#include "test_support.h"

namespace vyn::versions {
namespace {

using namespace testing;

TEST(Checksum, KnownValues)
{
    EXPECT_EQ(text_checksum("abc"), 140128257u);
    EXPECT_EQ(text_checksum(""), 151584769u);
}

}  // namespace
}  // namespace vyn::versions
