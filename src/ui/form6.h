#pragma once
// "Personal and Mail Drop Status Control": alert lengths and history depths.
#include "ui/bound_dialog.h"

namespace kpr {

class Form6 final : public BoundDialog {
    Q_OBJECT
  public:
    Form6(Editor& editor, QWidget* parent = nullptr);
};

} // namespace kpr
