// The registry's REGEDIT4 scripts: exporting a key tree as one, importing one.
#include "registry/registry_access.h"

#include "common/input_file.h"
#include "common/progress.h"
#include "registry/registry_text.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

namespace kpr {

using namespace registry_text;

namespace {

// Registry scripts are small; anything bigger is not one.
constexpr std::size_t MaxScriptSize = 64u * 1024u * 1024u;

} // namespace

bool clsRegistryAccess::ExportKey(const std::string& sPath, bool includeSubkeys,
                                  ProgressSink* progress, const KeySink& sink) {
    std::string fullPath = sPath;
    for (const auto& r : RootNames)
        fullPath = replaceNoCase(fullPath, r.abbreviation, r.fullName);
    if (progress)
        progress->setStatus(fullPath);

    // A key that has gone (or never was) fails the export instead of leaving an empty section.
    std::vector<ValueEntry> strings, binaries, dwords;
    if (listValues(sPath, reg::TypeString, strings) < 0 ||
        listValues(sPath, reg::TypeBinary, binaries) < 0 ||
        listValues(sPath, reg::TypeDword, dwords) < 0)
        return false;

    static constexpr const char* CRLF = "\r\n";
    std::string block = "[" + fullPath + "]" + CRLF;
    // The default value is written as "@" only when it is a string: a number or bytes there
    // would otherwise be read as text (a dword 10 as a line feed).
    std::optional<std::string> def;
    for (const auto& e : strings)
        if (e.name.empty())
            def = e.text;
    // The script has no escape for a line break: a name or value holding one would write
    // lines of its own into the script (a "[-key]" among them). Such a key is not exported.
    if (hasLineBreak(fullPath))
        return false;
    for (const auto* list : {&strings, &binaries, &dwords})
        for (const auto& e : *list)
            if (hasLineBreak(e.name) || hasLineBreak(e.text))
                return false;
    if (def)
        block += "@=\"" + *def + "\"" + CRLF;
    for (const auto& e : strings)
        if (!e.name.empty())
            block += "\"" + e.name + "\"=\"" + e.text + "\"" + CRLF;
    for (const auto& e : binaries) {
        std::string hex = trimBlanks(e.text);
        for (char& c : hex)
            if (c == ' ')
                c = ',';
        block += "\"" + e.name + "\"=hex:" + hex + CRLF;
    }
    for (const auto& e : dwords) {
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(e.number));
        block += "\"" + e.name + "\"=dword:" + digits + CRLF;
    }
    block += CRLF;
    if (!sink(block))
        return false;

    if (includeSubkeys) {
        std::vector<std::string> subkeys;
        if (EnumKeys(sPath, subkeys) < 0)
            return false;
        for (const auto& sub : subkeys)
            if (!ExportKey(sPath + "\\" + sub, true, progress, sink))
                return false;
    }
    return true;
}

int clsRegistryAccess::ExportToReg(const std::string& sPath, const std::string& sRegFile,
                                   bool IncludeSubkeys, ProgressSink* progress) {
    try {
        const std::filesystem::path file(sRegFile);
        std::error_code ec;
        if (std::filesystem::exists(file, ec) || ec)
            return 0;
        // Nothing to export: no file at all rather than an empty one.
        if (!keyPresent(sPath))
            return 0;
        {
            // "x": a file that appeared since the check above is not overwritten either.
            std::FILE* out = std::fopen(sRegFile.c_str(), "wbx");
            if (!out)
                return 0;
            static constexpr char header[] = "REGEDIT4\r\n\r\n";
            const bool written =
                std::fwrite(header, 1, sizeof header - 1, out) == sizeof header - 1;
            if (std::fclose(out) != 0 || !written)
                return 0;
        }
        const auto appendKey = [&file](const std::string& block) {
            std::ofstream out(file, std::ios::binary | std::ios::app);
            out << block;
            return static_cast<bool>(out.flush());
        };
        return ExportKey(sPath, IncludeSubkeys, progress, appendKey) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int clsRegistryAccess::ExportToRegText(const std::string& sPath, std::string& text,
                                       bool IncludeSubkeys, ProgressSink* progress) {
    try {
        text.clear();
        if (!keyPresent(sPath))
            return 0;
        text = "REGEDIT4\r\n\r\n";
        const auto appendKey = [&text](const std::string& block) {
            text += block;
            return true;
        };
        return ExportKey(sPath, IncludeSubkeys, progress, appendKey) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int clsRegistryAccess::ImportFromReg(const std::string& sRegFile) {
    createKeyIfDoesntExists_ = true;
    try {
        // The one input routine: never blocks on a FIFO put in the file's place between a
        // check and the open, and refuses anything but a regular file within the bound.
        const InputFile in = read_input_file(sRegFile, MaxScriptSize, InputBeyondBound::Refuse);
        if (!in.ok())
            return 0;
        return ImportFromRegText(std::string(in.bytes.begin(), in.bytes.end()));
    } catch (...) {
        return 0;
    }
}

namespace {

struct ImportStep {
    enum Kind { KillKey, CreateKey, KillValue, WriteBinary, WriteDword, WriteString } kind;
    std::string key;
    std::string name;
    std::string data;
    std::int32_t number = 0;
};

// One script line as the import sees it: blanks trimmed, then double quotes removed (in
// that order, so a quoted value that starts with blanks and a "[" stays a value).
std::string cleanLine(std::string_view line) {
    std::string out;
    for (char c : trimBlanks(line))
        if (c != '"')
            out += c;
    return out;
}

// A path the registry can hold: a known root, and below it names of 1 to 255 characters,
// nested no deeper than the registry allows.
bool isWritableKeyPath(const std::string& path) {
    const auto kp = clsRegistryAccess::ParseKeyPath(path);
    if (kp.root == 0)
        return false;
    std::string_view rest = kp.subKey;
    if (rest.empty())
        return true;
    if (rest.back() == '\\')
        rest.remove_suffix(1);
    int depth = 0;
    for (std::size_t start = 0;;) {
        const std::size_t slash = rest.find('\\', start);
        const std::size_t len = (slash == std::string_view::npos ? rest.size() : slash) - start;
        if (len == 0 || len > reg::MaxKeyNameLength || ++depth > reg::MaxKeyDepth)
            return false;
        if (slash == std::string_view::npos)
            return true;
        start = slash + 1;
    }
}

// Turns the script into the steps it asks for; nullopt when it cannot be applied as a whole.
std::optional<std::vector<ImportStep>> parseScript(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 2;
    }
    if (toUpper(std::string(lines[0])) != "REGEDIT4")
        return std::nullopt;

    // A lone CR or LF inside a line is a value that broke out of its quotes, or a file
    // edited elsewhere: either way it cannot be applied as meant.
    for (const auto line : lines)
        if (hasLineBreak(line))
            return std::nullopt;

    std::vector<ImportStep> steps;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string line = cleanLine(lines[i]);
        if (line.empty() || line[0] != '[')
            continue;
        // A section line cut short would name some other key.
        if (line.size() < 2 || line.back() != ']')
            return std::nullopt;
        const std::string key = line.substr(1, line.size() - 2);
        if (!key.empty() && key[0] == '-') {
            steps.push_back({ImportStep::KillKey, key.substr(1), {}, {}, 0});
            continue;
        }
        if (!isWritableKeyPath(key))
            return std::nullopt;
        steps.push_back({ImportStep::CreateKey, key, {}, {}, 0});
        std::size_t j = i + 1;
        for (; j < lines.size(); ++j) {
            const std::string entry = cleanLine(lines[j]);
            if (!entry.empty() && entry[0] == '[')
                break;
            if (entry.empty() || entry[0] == ';')
                continue;
            const std::size_t eq = entry.find('=');
            if (eq == std::string::npos)
                continue;
            const std::string name = entry.substr(0, eq);
            const std::size_t eq2 = entry.find('=', eq + 1);
            const std::string data = eq2 == std::string::npos ? entry.substr(eq + 1)
                                                              : entry.substr(eq + 1, eq2 - eq - 1);
            if (trimBlanks(data) == "-") {
                steps.push_back({ImportStep::KillValue, key, name, {}, 0});
            } else if (startsWithNoCase(data, "hex:")) {
                std::string hex = data.substr(4);
                for (char& c : hex)
                    if (c == ',')
                        c = ' ';
                if (!isWholeHexBytes(hex))
                    return std::nullopt;
                steps.push_back({ImportStep::WriteBinary, key, name, hex, 0});
            } else if (startsWithNoCase(data, "dword:")) {
                const auto number = parseDword(std::string_view(data).substr(6));
                if (!number)
                    return std::nullopt;
                steps.push_back({ImportStep::WriteDword, key, name, {}, *number});
            } else {
                steps.push_back({ImportStep::WriteString, key, name, data, 0});
                if (name == "@" && data.empty())
                    steps.push_back({ImportStep::KillValue, key, {}, {}, 0});
            }
        }
        i = j - 1;
    }
    return steps;
}

} // namespace

int clsRegistryAccess::ImportFromRegText(const std::string& text) {
    createKeyIfDoesntExists_ = true;
    try {
        const auto steps = parseScript(text);
        if (!steps)
            return 0;
        for (const auto& s : *steps) {
            bool ok = true;
            switch (s.kind) {
            case ImportStep::KillKey:
                // Deleting a key that is not there is done; one that stays is a failure.
                ok = KillKey(s.key) != 0 || !keyPresent(s.key);
                break;
            case ImportStep::CreateKey:
                ok = CreateKey(s.key) != 0;
                break;
            case ImportStep::KillValue:
                ok = KillValue(s.key, s.name) != 0 || !keyPresent(s.key);
                break;
            case ImportStep::WriteBinary:
                ok = WriteBinary(s.key, s.name, s.data) != 0;
                break;
            case ImportStep::WriteDword:
                ok = WriteDWORD(s.key, s.name, s.number) != 0;
                break;
            case ImportStep::WriteString:
                ok = WriteString(s.key, s.name, s.data) != 0;
                break;
            }
            if (!ok)
                return 0;
        }
        return 1;
    } catch (...) {
        return 0;
    }
}

} // namespace kpr
