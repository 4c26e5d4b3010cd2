#include "common/operator_texts.h"
#include "editor/editor.h"
#include "editor/editor_internal.h"

namespace kpr {

bool Editor::pager_command(OperationKind kind) {
    EditorNotify n(*this);
    if (kind == OperationKind::Write && st_.controls["ModifyOpt"].value == 1) {
        st_.messages->message(MsgModifyModeWrite, MessageIcon::Warning);
        return false;
    }
    st_.focusRequest = "picTabBack";
    st_.flags.OperationKind = kind;
    if (st_.flags.FreqErrorPending) {
        st_.flags.FreqErrorPending = false;
        return false;
    }
    return true;
}

bool Editor::mnuEntire_Click() {
    return pager_command(OperationKind::Read);
}
bool Editor::mnuEB_Click() {
    return pager_command(OperationKind::Write);
}
bool Editor::mnuEB1_Click() {
    return pager_command(OperationKind::Verify);
}

bool Editor::run_pager_command(OperationKind kind, const std::function<void()>& leaveEntry) {
    const bool refusedFrequency = st_.flags.FreqErrorPending;
    if (!refusedFrequency && !(kind == OperationKind::Write && !is_write_mode()))
        leaveEntry();
    const bool open = pager_command(kind);
    if (refusedFrequency && !st_.flags.FreqErrorPending)
        read_freq();
    return open;
}

} // namespace kpr
