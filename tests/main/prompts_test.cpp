// An installer makes its prompts current for its own scope only, so that a
// test's scripted answers never outlive it.
#include <gtest/gtest.h>

#include "tests/support/scripted_prompts.h"

namespace {

TEST(PromptsTest, AnInstallerRestoresThePromptsBeforeIt) {
  Prompts* before = &Prompts::current();
  ScriptedPrompts outer, inner;
  {
    PromptsInstaller installedOuter(outer);
    {
      PromptsInstaller installedInner(inner);
      EXPECT_EQ(&Prompts::current(), &inner);
    }
    EXPECT_EQ(&Prompts::current(), &outer);
  }
  EXPECT_EQ(&Prompts::current(), before);
}

}  // namespace
