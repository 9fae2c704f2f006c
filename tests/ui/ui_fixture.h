#pragma once
// An App on the fake platform, over a folder of state files of its own.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <unistd.h>

#include "files/saved_state.h"
#include "tests/support/fake_platform.h"
#include "ui/app.h"

namespace qx::test {

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          (std::string("qx-ui-") + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
           "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

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

  std::filesystem::path dir;
  FakePlatform platform;
  std::unique_ptr<App> app;
};

}  // namespace qx::test
