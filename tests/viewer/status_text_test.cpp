#include "viewer/status_text.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

TEST(StatusText, StepsShowTheirSign) {
  const std::pair<ToneSteps, const char*> cases[] = {
      {{0, 0, 0}, "B 0  C 0  G 0"},
      {{-40, 1, 0}, "B -40  C +1  G 0"},
      {{INT32_MIN, INT32_MAX, -7}, "B -2147483648  C +2147483647  G -7"}};
  for (const auto& [steps, text] : cases) EXPECT_EQ(StepsText(steps), text);
}

}  // namespace
}  // namespace vantorel
