// on_every_target.hpp: a GoogleTest fixture whose tests run once on every vector target this
// processor has (scalar included), each named after its target, with one OpenMP thread.
//
//   class WaveStep : public testing_fields::OnEveryTarget {};
//   TEST_P(WaveStep, ...) { ... }
//   RAVELLE_ON_EVERY_TARGET(WaveStep);
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "common/vector_targets.hpp"
#include "tests/support/team_size.hpp"

namespace testing_fields {

class OnEveryTarget : public ::testing::TestWithParam<std::int64_t> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(common::useVectorTarget(GetParam()));
        ASSERT_EQ(common::activeVectorTarget(), GetParam());
        // One thread unless a test says otherwise: on a busy machine every parallel call
        // can wait a time slice for its team, and these tests make thousands of calls.
        setTeamSize(1);
    }
    void TearDown() override {
        common::useBestVectorTarget();
        setTeamSize(defaultTeamSize);
    }

    const int defaultTeamSize = teamSize();
};

inline std::string targetName(const ::testing::TestParamInfo<std::int64_t>& target) {
    return common::vectorTargetName(target.param);
}

}  // namespace testing_fields

#define RAVELLE_ON_EVERY_TARGET(Suite)                                                     \
    INSTANTIATE_TEST_SUITE_P(Targets, Suite, ::testing::ValuesIn(common::vectorTargets()), \
                             testing_fields::targetName)
