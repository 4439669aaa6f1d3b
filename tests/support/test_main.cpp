// The main of every test suite: each test starts from the world of a fresh
// game, whatever the tests before it in the same process left behind.
#include <gtest/gtest.h>

#include "flow/world.h"

namespace {

class FreshWorld : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo &) override { resetWorld(); }
};

}  // namespace

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshWorld);
    return RUN_ALL_TESTS();
}
