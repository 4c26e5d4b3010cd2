#include "image/bound_controls.h"
#include "common/hex.h"

#include <algorithm>
#include <cstdio>

namespace kpr {

std::string BoundControl::key() const {
    // Same form as the control model's ctl(name, index).
    return index < 0 ? name : name + "(" + std::to_string(index) + ")";
}

namespace {

BoundControl make(std::string tag, std::string name, int index, std::string caption,
                  std::vector<std::string> items = {}, std::string hint = {}) {
    BoundControl c;
    c.field = *parse_field_descriptor(tag);
    c.tag = std::move(tag);
    c.name = std::move(name);
    c.index = index;
    c.caption = std::move(caption);
    c.items = std::move(items);
    c.hint = std::move(hint);
    return c;
}

BoundControl check(std::string tag, int index, std::string caption) {
    return make(std::move(tag), "chkCtl", index, std::move(caption));
}

BoundControl list(std::string tag, int index, std::vector<std::string> items) {
    return make(std::move(tag), "cboCtl", index, {}, std::move(items));
}

std::vector<BoundControl> build_bound_controls() {
    std::vector<BoundControl> t;
    t.push_back(check("&H31,3,1,chkN", 29, "Ext. Charger's Beeper"));
    t.push_back(check("&H36,0,1,chkN", 4, "Frequency Modification Enable"));
    t.push_back(check("&H36,1,1,chk", 5, "Password Required Enable"));
    t.push_back(check("&H36,2,1,chk", 7, "Password Modification Enable "));
    t.push_back(check("&H36,3,1,chk", 8, "Beep And Vibration "));
    t.push_back(check("&H36,5,1,chk", 18, "Discard Error Msg"));
    t.push_back(check("&H36,6,1,chk", 19, "Air Program Enable"));
    t.push_back(check("&H36,7,1,chk", 17, "Push Key Lamp On Enable"));
    t.push_back(list("&H39,0,2,cbo", 2, {"8 sec", "12 sec", "20 sec", "30 sec"}));
    t.push_back(check("&H39,3,1,chkN", 54, "Duplicate Msg Detect"));
    t.push_back(check("&H39,4,1,chkN", 2, "Counter Out Enable"));
    t.push_back(check("&H39,5,1,chk", 20, "Direct Show Lamp On"));
    t.push_back(check("&H39,6,1,chk", 6, "Lowcell Alert ON"));
    t.push_back(check("&H39,7,1,chk", 0, "Disp Source Addr ON"));
    t.push_back(check("&H3B,2,1,chk", 1, "Long Message Control Enable"));
    t.push_back(list("&H3B,3,1,cbo", 6, {"dd-mm-yy", "mm-dd-yy"}));
    t.push_back(list("&H3B,4,1,cbo", 3, {"Page Count", "Direct"}));
    t.push_back(list("&H3C,6,2,cbo", 4, {"Disable", "2 minutes", "10 minutes", "60 minutes"}));
    t.push_back(check("&H3D,4,1,chkN", 16, "Manual Write Enable"));
    t.push_back(check("&H3D,6,1,chk", 21, "RD Key Pager Off"));
    t.push_back(check("&H3D,7,1,chk", 3, "RD Key Delete Enable"));
    t.push_back(make(
        "&H3F,0,4,Lng", "cboLogo", -1, {},
        {"English(Large)", "English(Small)", "Spainish", "French", "German", "Danish", "Swedish"}));
    static const char* const ordinals[] = {"1st", "2nd", "3rd", "4th", "5th", "6th", "7th", "8th"};
    for (int n = 0; n < 8; ++n) {
        t.push_back(
            make(hex_address(0x40 + 4 * n) + ",0,1,chk", "chkCtl", 30 + n, "ON", {},
                 std::string("Enable or disable the ") + ordinals[n] + " Capcode( address )"));
    }
    t.push_back(list("&H61,2,1,cbo", 5, {"Normal", "Invert"}));
    t.push_back(list("&H61,3,2,cboBaud", 9, {"512 bps", "1200 bps", "2400 bps"}));
    t.push_back(check("&H7F,0,8,chkN", 15, "History Disable"));
    t.push_back(list("&H457,6,1,cbo", 0, {"WB", "NB"}));
    t.push_back(check("&H4A1,3,1,chkN", 9, "Remove First Two Char."));
    t.push_back(check("&H4FC,2,1,chk", 10, "Rechargeable Bat. 2.4V"));
    for (int i = 33; i <= 64; ++i)
        t.push_back(make(hex_address(0x7C0 + (i - 33)) + ",0,8,chkSource", "chkSource", i, {}));
    t.push_back(check("&H7E0,0,8,chkN", 11, "Lock/Unlock Disable"));
    t.push_back(check("&H7E1,0,8,chkN", 12, "Delete Disable"));
    t.push_back(check("&H7E2,0,8,chkN", 13, "Del. All Disable"));
    t.push_back(check("&H7E3,0,8,chkN", 14, "Move To Memo Disable"));
    return t;
}

void add_records(std::vector<ImageRegion>& r, int first, int count, int size,
                 const std::string& name, int firstNumber) {
    for (int i = 0; i < count; ++i)
        r.push_back({first + i * size, first + (i + 1) * size - 1,
                     name + " " + std::to_string(firstNumber + i)});
}

std::vector<ImageRegion> build_regions() {
    std::vector<ImageRegion> r = {
        {0x005, 0x00B, "synthesiser N and R words"},
        {0x00C, 0x00D, "channel increment"},
        {0x00E, 0x00E, "channel step"},
        {0x031, 0x031, "external charger beeper"},
        {0x036, 0x036, "option bits"},
        {0x039, 0x039, "alert time and option bits"},
        {0x03A, 0x03A, "language code"},
        {0x03B, 0x03B, "power-up display, message, date, lamp and source-prompt modes"},
        {0x03C, 0x03C, "SLC, zoom and auto-off choices"},
        {0x03D, 0x03D, "ORC, manual write, function menu and read-key options"},
        {0x03E, 0x03E, "language code copy"},
        {0x03F, 0x03F, "logo font"},
        {0x040, 0x05F, "capcode records"},
        {0x061, 0x063, "data rate and polarity"},
        {0x064, 0x06B, "base and receive frequency"},
        {0x070, 0x076, "air-programming text"},
        {0x078, 0x07E, "function menu slots"},
        {0x07F, 0x07F, "history disable"},
        {0x089, 0x089, "display contrast"},
        {0x08D, 0x08F, "battery constants"},
        {0x0A0, 0x0B3, "FLASH ONLY prompt"},
        {0x100, 0x36B, "prompt records"},
        {0x36C, 0x3FF, "history prompts, model and version text"},
        {0x3B8, 0x3CB, "history prompt 1"},
        {0x3CC, 0x3DF, "history prompt 2"},
        {0x3E0, 0x3EF, "model and version text"},
        {0x428, 0x43B, "CHARGING prompt"},
        {0x457, 0x457, "receiver bandwidth"},
        {0x459, 0x459, "firmware version"},
        {0x45A, 0x45A, "channel-step hundredths"},
        {0x4A1, 0x4A1, "remove first two characters"},
        {0x4D6, 0x4E1, "serial number"},
        {0x4E2, 0x4E3, "serial-number checksum"},
        {0x4E4, 0x4F7, "second mail-drop prompt"},
        {0x4FC, 0x4FC, "battery type"},
        {0x530, 0x531, "battery-type companion bytes"},
        {0x540, 0x7BF, "source prompts"},
        {0x7C0, 0x7DF, "source-prompt enables"},
        {0x7E0, 0x7E3, "key-function disables"},
    };
    add_records(r, 0x040, 8, 4, "capcode", 1);
    add_records(r, 0x100, 31, 20, "prompt", 0);
    add_records(r, 0x540, 32, 20, "source prompt", 1);
    std::stable_sort(r.begin(), r.end(), [](const ImageRegion& a, const ImageRegion& b) {
        if (a.first != b.first)
            return a.first < b.first;
        return a.last > b.last;
    });
    return r;
}

} // namespace

const std::vector<BoundControl>& bound_controls() {
    static const std::vector<BoundControl> table = build_bound_controls();
    return table;
}

const BoundControl* find_bound_control(std::string_view key) {
    for (const auto& c : bound_controls())
        if (c.key() == key)
            return &c;
    return nullptr;
}

const std::vector<ImageRegion>& image_regions() {
    static const std::vector<ImageRegion> regions = build_regions();
    return regions;
}

std::string region_name(int addr) {
    const ImageRegion* best = nullptr;
    for (const auto& r : image_regions()) {
        if (addr >= r.first && addr <= r.last &&
            (!best || r.last - r.first < best->last - best->first))
            best = &r;
    }
    return best ? best->name : std::string();
}

std::vector<std::string> region_names(int first, int last) {
    std::vector<std::string> names;
    for (int a = first; a <= last; ++a) {
        std::string n = region_name(a);
        if (!n.empty() && std::find(names.begin(), names.end(), n) == names.end())
            names.push_back(n);
    }
    return names;
}

} // namespace kpr
