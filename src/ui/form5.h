#pragma once
// "Capcode Function Bit Setting": display, class and priority of the four function bits of
// one capcode slot.
#include "ui/bound_dialog.h"

namespace kpr {

class Form5 final : public BoundDialog {
    Q_OBJECT
  public:
    Form5(Editor& editor, QWidget* parent = nullptr);
};

} // namespace kpr
