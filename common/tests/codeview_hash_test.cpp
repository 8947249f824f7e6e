#include "common/codeview_hash.h"

#include <gtest/gtest.h>

namespace {

// Values worked out by hand from the definition: "_mai" is the one whole
// group (0x69616D5F masked to 0x49414D5F, rotated to 0x9414D5F4); the tail
// "n" folds to 0x4E00.
TEST(CodeViewHash, WholeGroupsAndTailCombine)
{
    EXPECT_EQ(vyn::DWordXorLrl("_main"), 0x94149BF4u);
    EXPECT_EQ(vyn::DWordXorLrl("ab"), 0x424100u);
    EXPECT_EQ(vyn::DWordXorLrl(""), 0u);
}

TEST(CodeViewHash, IgnoresTheCaseOfLetters)
{
    EXPECT_EQ(vyn::DWordXorLrl("_MAIN"), vyn::DWordXorLrl("_main"));
    EXPECT_EQ(vyn::DWordXorLrl("GetWindowTextA"), vyn::DWordXorLrl("getwindowtexta"));
    EXPECT_NE(vyn::DWordXorLrl("_main"), vyn::DWordXorLrl("_mainx"));
}

}  // namespace
