// Fixture for the program on the simulated board with a console front-end
// of type FrontEndType (ConsoleFrontEnd or one made from it), its status
// lines going to a temporary file, in a work folder of its own.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui_runtime/ui_store.h"
#include "program/console_front_end.h"
#include "tests/support/fresh_state.h"
#include "tests/support/work_folder.h"

namespace kd71::test {

// The console front-end (which serves remote clients and turns a stop
// signal into the quit once a routine has ended) that keeps the progress
// texts and the popups' titles, and runs `at_progress` with each progress
// text while the routine runs.
class WatchingFrontEnd : public ConsoleFrontEnd {
 public:
  explicit WatchingFrontEnd(std::FILE* out) : ConsoleFrontEnd(out) {}
  void routine_progress(const std::string& text) override {
    progress.push_back(text);
    if (at_progress && !text.empty()) at_progress(text);
  }
  void message_popup(const std::string& title, const std::string&) override {
    popups.push_back(title);
  }
  std::vector<std::string> progress;
  std::vector<std::string> popups;
  std::function<void(const std::string&)> at_progress;
};

template <typename FrontEndType>
class ConsoleProgramTest : public FreshState {
 protected:
  void SetUp() override {
    FreshState::SetUp();
    out_ = std::tmpfile();
    fe_ = std::make_unique<FrontEndType>(out_);
    kd71::ui::set_front_end(fe_.get());
  }
  void TearDown() override {
    kd71::ui::set_front_end(nullptr);
    fe_.reset();
    std::fclose(out_);
    FreshState::TearDown();
  }
  // Every module back to its start, the same front-end attached.
  void restart() {
    reset_all();
    kd71::ui::set_front_end(fe_.get());
  }

  std::FILE* out_ = nullptr;
  std::unique_ptr<FrontEndType> fe_;
  WorkFolder folder_;
};

}  // namespace kd71::test
