// `kprtool set` values: assignments applied through the editor's settings-key setter, as
// a person changing each control would.
//
// Input: lines. "KEY=VALUE" names the key as text (unknown keys included); a line without
// '=' picks a key by its first byte (index into every key) and takes the rest as the value.
// Whatever comes: no crash, every refusal says why (our own explanation, or the handler's
// message shown to the operator), and every setting can still be read afterwards.
#include "editor/editor.h"
#include "editor/settings_keys.h"
#include "support/recorders.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 8192)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto& keys = kpr::setting_keys();
    if (keys.empty())
        std::abort();

    kpr::test::RecordedMessages messages;
    kpr::Editor editor(messages);
    editor.startup_finish({}, false);

    std::size_t pos = 0;
    int applied = 0;
    while (pos < text.size() && applied < 64) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.empty())
            continue;
        std::string key, value;
        if (const std::size_t eq = line.find('='); eq != std::string::npos) {
            key = line.substr(0, eq);
            value = line.substr(eq + 1);
        } else {
            key = keys[static_cast<std::uint8_t>(line[0]) % keys.size()].key;
            value = line.substr(1);
        }
        const std::size_t shownBefore = messages.entries.size();
        const kpr::SetOutcome r = kpr::apply_setting(editor, key, value);
        ++applied;
        if (!r.ok && r.error.empty() && messages.entries.size() == shownBefore)
            std::abort(); // refused without a word
        if (!kpr::read_setting(editor, key) && kpr::find_setting_key(key))
            std::abort();
    }
    if (kpr::read_settings(editor).size() != keys.size())
        std::abort();
    return 0;
}
