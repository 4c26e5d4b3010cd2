#include "profile/document_commands.h"

#include "common/operator_messages.h"
#include "profile/profile.h"

#include <filesystem>

namespace kpr {

namespace {

void open_profile(Editor& editor, const std::string& path, OperatorMessages& messages) {
    const ProfileResult r = open_profile_in_editor(editor, path);
    if (r.ok()) {
        editor.set_current_file(path);
        return;
    }
    // The editor is untouched; every problem is listed, each with its line.
    const std::string name = std::filesystem::path(path).filename().string();
    std::string text;
    for (const ProfileProblem& p : r.problems)
        text += (text.empty() ? "" : "\n") + describe_problem(p, name);
    messages.message(text, MessageIcon::Critical);
}

void save_profile(Editor& editor, const std::string& path, OperatorMessages& messages) {
    std::string error;
    if (save_profile_file(editor, path, error))
        editor.set_current_file(path);
    else
        messages.message(error, MessageIcon::Critical);
}

} // namespace

void open_document(Editor& editor, const std::string& path, OperatorMessages& messages) {
    if (is_profile_path(path))
        open_profile(editor, path, messages);
    else
        editor.mnuLBFF_Click(path);
}

void save_document_as(Editor& editor, const std::string& path, OperatorMessages& messages) {
    if (!is_profile_path(path))
        editor.mnuSA_Click(path);
    else if (editor.may_overwrite(path))
        save_profile(editor, path, messages);
}

void save_document(Editor& editor, OperatorMessages& messages) {
    if (is_profile_path(editor.flags().CurrentTablePath))
        save_profile(editor, editor.flags().CurrentTablePath, messages);
    else
        editor.mnuSBTF_Click();
}

} // namespace kpr
