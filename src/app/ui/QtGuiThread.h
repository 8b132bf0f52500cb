#pragma once

#include "app/core/Synchronize.h"

// The Qt application's thread as the GUI thread of Synchronize, bound while this object
// lives: made right after the application object, and gone before it.
class QtGuiThread final : public GuiThread {
public:
  QtGuiThread();
  ~QtGuiThread() override;
  QtGuiThread(const QtGuiThread&) = delete;
  QtGuiThread& operator=(const QtGuiThread&) = delete;

  bool IsCurrent() const override;
  bool Wake() override;
};
