// File > Open, Save and Save As, with the file names the caller's dialogs chose, and the
// loading of a whole image.
#include "editor/editor.h"
#include "editor/editor_internal.h"
#include "settings/band.h"
#include "tables/table_file.h"
#include "text/charset.h"

#include <algorithm>
#include <filesystem>

namespace kpr {

const std::string& Editor::caption() const {
    return st_.controls.at("Form1").text;
}

void Editor::update_caption() {
    std::string& c = st_.controls["Form1"].text;
    const auto p = c.find('[');
    if (p != std::string::npos)
        c = c.substr(0, p + 1) + st_.flags.CurrentTablePath + "]";
    else
        c += " - [" + st_.flags.CurrentTablePath + "]";
}

bool Editor::mnuLBFF_Click(const std::string& path) {
    EditorNotify n(*this);
    const std::string name = st_.flags.SaveToCurrent ? st_.flags.CurrentTablePath : path;
    // One open for every caller: a FIFO or device never blocks, and each fault gets the
    // message the command line gives for it.
    const TableOpenResult r = open_table_file(name);
    if (!r.ok()) {
        // A refused file never becomes the one Save writes to.
        st_.messages->message(r.message, r.status == TableOpenStatus::Unreadable
                                             ? MessageIcon::Critical
                                             : MessageIcon::None);
        return false;
    }
    st_.flags.CurrentTablePath = name;
    load_image(r.image);
    update_caption();
    return true;
}

bool Editor::open_current() {
    EditorNotify n(*this);
    st_.flags.SaveToCurrent = true;
    const bool ok = mnuLBFF_Click(st_.flags.CurrentTablePath);
    st_.flags.SaveToCurrent = false;
    return ok;
}

void Editor::load_image(const PagerImage& image, BandRule rule) {
    EditorNotify n(*this);
    st_.image = image;
    show_loaded_image(rule);
}

int Editor::load_from_pager(std::span<const uint8_t> bytes, BandRule rule) {
    EditorNotify n(*this);
    const int bandBefore = band();
    std::copy_n(bytes.begin(), std::min<size_t>(bytes.size(), ImageSize), st_.image.data());
    text_from_pager(st_.image);
    st_.flags.ReloadError = 0;
    show_loaded_image(rule);
    const int error = st_.flags.ReloadError;
    if (error != 0) {
        st_.image = st_.ImageBackup;
        if (bandBefore >= 0)
            select_band_silently(bandBefore);
        init_ctl();
    }
    return error;
}

void Editor::show_loaded_image(BandRule rule) {
    if (const auto b = derive_band(st_.image, rule))
        select_band_silently(*b);
    // Only the standard rule derives the channel step from the words just loaded.
    st_.flags.ImageJustLoaded = rule == BandRule::Standard;
    init_ctl();
    st_.flags.ImageJustLoaded = false;
}

void Editor::select_band_silently(int band) {
    // The band handler stays silent: the image keeps its own synthesiser words.
    st_.flags.SuppressClick = true;
    st_.controls["cboDft"].value = band;
    st_.flags.SuppressClick = false;
}

bool Editor::mnuSA_Click(const std::string& path) {
    EditorNotify n(*this);
    std::string name = path;
    if (!st_.flags.SaveToCurrent) {
        std::error_code ec;
        if (std::filesystem::exists(path, ec) && !st_.messages->ask(MsgOverwrite))
            return false;
        st_.flags.CurrentTablePath = path;
    } else {
        name = st_.flags.CurrentTablePath;
    }
    const TableSaveResult r = save_table_file(name, st_.image);
    if (!r.ok) {
        // A failed save says so rather than ending silently.
        st_.messages->message(r.message, MessageIcon::Critical);
        return false;
    }
    update_caption();
    return true;
}

void Editor::set_current_file(const std::string& path) {
    EditorNotify n(*this);
    st_.flags.CurrentTablePath = path;
    update_caption();
}

bool Editor::may_overwrite(const std::string& path) {
    std::error_code ec;
    return !std::filesystem::exists(path, ec) || st_.messages->ask(MsgOverwrite);
}

bool Editor::mnuSBTF_Click() {
    EditorNotify n(*this);
    st_.flags.SaveToCurrent = true;
    const bool ok = mnuSA_Click(st_.flags.CurrentTablePath);
    st_.flags.SaveToCurrent = false;
    return ok;
}

} // namespace kpr
