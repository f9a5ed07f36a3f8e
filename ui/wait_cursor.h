#pragma once
// The wait cursor for the length of a scope.
#include "ui/main_window_view.h"

namespace velomira {

class WaitCursor {
  public:
    explicit WaitCursor(MainWindowView& view) : view_(view) { view_.setWaitCursor(true); }
    ~WaitCursor() { view_.setWaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    MainWindowView& view_;
};

} // namespace velomira
