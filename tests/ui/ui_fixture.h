// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An App on the fake platform, over a folder of state files of its own.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "files/saved_state.h"
#include "tests/support/fake_platform.h"
#include "tests/support/temp_dir.h"
#include "ui/app.h"

namespace qx::test {

class UiTest : public ::testing::Test {
 protected:
  // Saves this state as the files the program starts from.
  void save(const Board& b, const Clue& clue, const Settings& s) {
    ASSERT_TRUE(saveState(dir.string(), b, clue, s).ok);
  }
  // Starts the program on the saved state, on a screen of the given height.
  App& start(int screenHeight = 1024) {
    platform.screen = {1280, screenHeight};
    app = std::make_unique<App>(platform, dir.string());
    app->startUp();
    return *app;
  }

  TempDir tmp{"qx-ui"};
  std::filesystem::path dir = tmp.path();
  FakePlatform platform;
  std::unique_ptr<App> app;
};

}  // namespace qx::test
