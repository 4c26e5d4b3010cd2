#include "editor/editor.h"

#include "common/operator_texts.h"
#include "editor/alert_length_controls.h"
#include "editor/alerts.h"
#include "editor/control_dependencies.h"
#include "editor/editor_internal.h"
#include "editor/function_bit_controls.h"
#include "editor/language_controls.h"
#include "editor/logo_controls.h"
#include "editor/prompts.h"
#include "image/bound_controls.h"
#include "image/image_addresses.h"
#include "link/usb_link.h"
#include "settings/battery.h"
#include "settings/capcode.h"
#include "settings/latin1_text.h"
#include "text/default_image.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace kpr {

namespace {

// Grey text colour of the contrast caption, as a COLORREF.
uint32_t grey(int component) {
    const auto c = static_cast<uint32_t>(std::clamp(component, 0, 255));
    return c | (c << 8) | (c << 16);
}

bool edit_mode_prefix(const std::string& name) {
    const std::string p = name.substr(0, 3);
    return p == "txt" || p == "opt" || p == "cbo" || p == "chk" || p == "cmd";
}

} // namespace

ControlName split_control_name(const std::string& key) {
    ControlName n;
    const auto open = key.find('(');
    if (open == std::string::npos || key.back() != ')') {
        n.array = key;
        return n;
    }
    n.array = key.substr(0, open);
    try {
        n.index = std::stoi(key.substr(open + 1, key.size() - open - 2));
    } catch (...) {
        n.array = key;
        n.index = -1;
    }
    return n;
}

std::string control_form(const std::string& key) {
    const std::string a = split_control_name(key).array;
    if (a == "cboDisp" || a == "cboType" || a == "chkPri" || a == "lblFuncSlot" ||
        a.rfind("Form5", 0) == 0)
        return "Form5";
    if (a == "cboPersonal" || a == "cboMailAler" || a == "cboHis" || a.rfind("Form6", 0) == 0)
        return "Form6";
    return "Form1";
}

Editor::Editor(OperatorMessages& messages) : st_(messages) {
    populate_controls();
    build_default();
}

std::unique_ptr<Editor> Editor::headless() {
    auto editor = std::make_unique<Editor>(null_messages());
    editor->startup_finish({}, false);
    return editor;
}

std::unique_ptr<Editor> Editor::headless(const PagerImage& image) {
    auto editor = headless();
    editor->load_image(image);
    return editor;
}

std::unique_ptr<Editor> Editor::headless_copy() const {
    std::unique_ptr<Editor> copy(new Editor(*this));
    copy->onChanged_ = nullptr; // a headless editor has none; no copy calls another's
    copy->writeCommand_ = nullptr;
    return copy;
}

void Editor::end_call() {
    if (--depth_ > 0)
        return;
    depth_ = 0;
    apply_edit_mode();
    ++revision_;
    if (onChanged_)
        onChanged_();
}

// ---------------------------------------------------------------------------------------
// Start-up

void Editor::build_default() {
    EditorNotify n(*this);
    st_.flags.FreqErrorPending = false;
    st_.image = build_default_image();
    st_.ImageBackup = PagerImage{};
    set_title();
}

void Editor::set_title() {
    st_.controls["Form1"].text =
        std::string(usbLink_ ? "Vard Quinta USB " : "Vard Quinta ") + "KPR35T V05.21";
    st_.controls["lblMsg"].visible = usbLink_;
}

void Editor::set_usb_link(bool usb) {
    EditorNotify n(*this);
    usbLink_ = usb;
    // Keep the file name part of the caption.
    const std::string old = st_.controls["Form1"].text;
    const auto p = old.find(" - [");
    set_title();
    if (p != std::string::npos)
        st_.controls["Form1"].text += old.substr(p);
}

void Editor::show_board_state(const StatusLine& line) {
    EditorNotify n(*this);
    ControlState& msg = st_.controls["lblMsg"];
    msg.text = line.caption;
    msg.foreColour = line.colour;
    for (const char* name : {"mnuPager", "mnuEntire", "mnuEB", "mnuEB1"})
        st_.controls[name].enabled = line.pagerMenuEnabled;
}

void Editor::startup_finish(const std::string& programFolder, bool loadDefaultFile) {
    EditorNotify n(*this);
    st_.flags.ProgramFolder = programFolder;
    st_.flags.StartupFinished = true;
    route("cboRoHS", ControlEvent::Click, 0);
    st_.flags.CurrentTablePath = (std::filesystem::path(programFolder) / "default.tbl").string();
    std::error_code ec;
    if (loadDefaultFile && std::filesystem::exists(st_.flags.CurrentTablePath, ec)) {
        open_current();
    } else {
        route("cboDft", ControlEvent::Click, 1);
    }
    st_.flags.UnversionedFirmware = false;
    st_.flags.ScanIdle = true;
}

// ---------------------------------------------------------------------------------------
// Refreshing every control from the image. Nothing here writes the image: the controls are
// set with their store handlers silenced and the handlers' visibility side effects are
// applied explicitly, so a freshly loaded image keeps every byte it came with.

void Editor::refresh_bound_controls() {
    for (const BoundControl& b : bound_controls()) {
        const FieldDescriptor& f = b.field;
        if (!f.fits_image())
            continue;
        ControlState& c = st_.controls[b.key()];
        const int v = st_.image.get_bits(f.addr, f.bit, f.len);
        switch (f.kind) {
        case FieldKind::Chk:
            c.value = v;
            break;
        case FieldKind::ChkN:
            c.value = v == 0 ? 1 : 0;
            break;
        case FieldKind::ChkSource:
            c.value = v == 1 ? 1 : 0;
            st_.controls[ctl("txtPrompt", b.index)].enabled = c.value == 1;
            break;
        case FieldKind::Cbo:
        case FieldKind::CboBaud:
            // A value with no list entry shows no selection; the byte stays as it is.
            c.value = v < static_cast<int>(c.items.size()) ? v : -1;
            break;
        default:
            break;
        }
    }
}

void Editor::init_ctl() {
    EditorNotify n(*this);
    ControlModel& m = st_.controls;
    PagerImage& img = st_.image;

    read_capcode();
    refresh_bound_controls();

    // Sequential lockout.
    if (img.get_bits(AddrLockoutZoom, 2, 1) == 1)
        m["cboSLC"].value = 5;
    else if (img.get_bits(AddrLockoutZoom, 3, 1) == 0)
        m["cboSLC"].value = 0;
    else
        m["cboSLC"].value = img.get_bits(AddrLockoutZoom, 0, 2) + 1;

    // Out of service.
    if (img.get_bits(AddrOutOfRangeMenu, 3, 1) == 0)
        m["cboORC"].value = 0;
    else
        m["cboORC"].value = img.get_bits(AddrOutOfRangeMenu, 1, 2) + 1;

    read_LogoFont(st_);
    read_Lng(st_);
    kpr::Set_PromptEd_Width(st_);

    // Contrast: the slider covers 1-8; the value label shows the byte as stored.
    const int contrast = img[AddrContrast];
    m["Slider1"].value = std::clamp(contrast, 1, 8);
    m["lblContrast"].foreColour = grey(5 * contrast);
    m["lblContrastValue"].text = std::to_string(contrast);

    // Function menu: a box is cleared for every code present in MenuSlots; bytes that name
    // no box are ignored.
    st_.flags.SuppressClick = true;
    for (int i = 0; i < MenuSlotCount; ++i)
        m[ctl("chkMenu", i)].value = 1;
    for (int k = 0; k < MenuSlotCount; ++k) {
        const int code = img[AddrMenuSlots + k];
        if (code >= 7 && code <= 13)
            m[ctl("chkMenu", code - 7)].value = 0;
    }
    st_.flags.SuppressClick = false;
    follow_all_governors(m);

    read_BaseFreq();
    read_freq();
    kpr::read_prompt(st_);
    kpr::read_SourcePrompt(st_);
    kpr::read_Disp(st_);
    kpr::read_Type(st_);
    kpr::read_Pri(st_);
    kpr::read_pass(st_);
    kpr::read_BatLev(st_);
    kpr::read_Alert(st_);
    kpr::read_SetAlarm(st_);
    kpr::read_SN(st_);
}

void Editor::read_capcode() {
    EditorNotify n(*this);
    for (int i = 0; i < CapcodeSlots; ++i)
        st_.controls[ctl("txtAddr", i)].text = capcode_text(decode_capcode(st_.image, i));
}

// ---------------------------------------------------------------------------------------
// Storing the bound controls

bool Editor::chkCtl_Click(int index, int) {
    EditorNotify n(*this);
    const std::string key = ctl("chkCtl", index);
    const BoundControl* b = find_bound_control(key);
    if (!b || !b->field.fits_image())
        return true;
    const FieldDescriptor& f = b->field;
    const int checked = st_.controls[key].value == 1 ? 1 : 0;
    if (f.kind == FieldKind::ChkN)
        st_.image.set_bits(f.addr, f.bit, checked ? 0 : 1, f.len);
    else
        st_.image.set_bits(f.addr, f.bit, checked, f.len);

    follow_governor(st_.controls, key);
    if (index == 17) {
        st_.image[AddrLampSymbol] = checked ? 16 : 32;
    } else if (index == 10) {
        apply_battery_type_defaults(st_.image, checked == 1);
        kpr::read_BatLev(st_);
    }
    return true;
}

bool Editor::cboCtl_Click(int index, int) {
    EditorNotify n(*this);
    const std::string key = ctl("cboCtl", index);
    const BoundControl* b = find_bound_control(key);
    if (!b || !b->field.fits_image())
        return true;
    const FieldDescriptor& f = b->field;
    const int p = st_.controls[key].value;
    if (p < 0 || p >= static_cast<int>(b->items.size()))
        return true;
    st_.image.set_bits(f.addr, f.bit, p, f.len);
    if (f.kind == FieldKind::CboBaud) {
        static const int rate[3] = {1, 2, 3};
        static const int companion[3] = {0x01, 0x41, 0xF3};
        static const int polarity[3] = {0, 2, 1};
        st_.image.set_bits(AddrDataRate, 0, rate[p], 2);
        st_.image[AddrDataRateWord] = static_cast<uint8_t>(companion[p]);
        st_.image.set_bits(AddrDataRateMode, 6, polarity[p], 2);
    }
    follow_governor(st_.controls, key);
    return true;
}

bool Editor::chkSource_Click(int index, int) {
    EditorNotify n(*this);
    const std::string key = ctl("chkSource", index);
    const BoundControl* b = find_bound_control(key);
    if (!b || !b->field.fits_image())
        return true;
    const int checked = st_.controls[key].value == 1 ? 1 : 0;
    st_.image.set_bits(b->field.addr, b->field.bit, checked, b->field.len);
    st_.controls[ctl("txtPrompt", index)].enabled = checked == 1;
    return true;
}

bool Editor::chkMenu_Click(int index, int) {
    EditorNotify n(*this);
    if (st_.flags.SuppressClick)
        return true;
    int j = 6;
    for (int i = 6; i >= 0; --i) {
        if (st_.controls[ctl("chkMenu", i)].value != 1) {
            st_.image[AddrMenuSlots + j] = static_cast<uint8_t>(i + 7);
            --j;
        }
    }
    st_.image.set_bits(AddrOutOfRangeMenu, 5, j == -1 ? 0 : 1, 1);
    for (int k = j; k >= 0; --k)
        st_.image[AddrMenuSlots + k] = 32;
    follow_governor(st_.controls, ctl("chkMenu", index));
    return true;
}

bool Editor::cboSLC_Click(int, int) {
    EditorNotify n(*this);
    const int p = st_.controls["cboSLC"].value;
    if (p < 0 || p > 5)
        return true;
    if (p == 5) {
        st_.image.set_bits(AddrLockoutZoom, 2, 1, 1);
        st_.image.set_bits(AddrLockoutZoom, 3, 1, 1);
        return true;
    }
    st_.image.set_bits(AddrLockoutZoom, 2, 0, 1);
    if (p == 0) {
        st_.image.set_bits(AddrLockoutZoom, 3, 0, 1);
    } else {
        st_.image.set_bits(AddrLockoutZoom, 3, 1, 1);
        st_.image.set_bits(AddrLockoutZoom, 0, p - 1, 2);
    }
    return true;
}

bool Editor::cboORC_Click(int, int) {
    EditorNotify n(*this);
    const int p = st_.controls["cboORC"].value;
    if (p < 0 || p > 4)
        return true;
    if (p == 0) {
        st_.image.set_bits(AddrOutOfRangeMenu, 3, 0, 1);
    } else {
        st_.image.set_bits(AddrOutOfRangeMenu, 3, 1, 1);
        st_.image.set_bits(AddrOutOfRangeMenu, 1, p - 1, 2);
    }
    return true;
}

bool Editor::cboZoom_Click(int, int) {
    EditorNotify n(*this);
    const int p = st_.controls["cboZoom"].value;
    if (p == 0 || p == 1)
        st_.image.set_bits(AddrLockoutZoom, 4, p, 1);
    return true;
}

bool Editor::Slider1_Change(int, int) {
    EditorNotify n(*this);
    const int v = std::clamp(st_.controls["Slider1"].value, 1, 8);
    st_.controls["Slider1"].value = v;
    st_.image[AddrContrast] = static_cast<uint8_t>(v);
    st_.controls["lblContrast"].foreColour = grey(80 - 10 * v);
    st_.controls["lblContrastValue"].text = std::to_string(v);
    return true;
}

// ---------------------------------------------------------------------------------------
// Edit modes and Pager commands

bool Editor::is_write_mode() const {
    const auto& all = st_.controls.all();
    const auto it = all.find("WriteOpt");
    return it != all.end() && it->second.value == 1;
}

std::vector<std::string> Editor::form1_controls() const {
    std::vector<std::string> names;
    for (const auto& [name, c] : st_.controls.all()) {
        (void)c;
        if (control_form(name) == "Form1")
            names.push_back(name);
    }
    return names;
}

void Editor::apply_edit_mode() {
    if (!is_write_mode())
        return;
    for (auto& [name, c] : st_.controls.all()) {
        if (edit_mode_prefix(name) && control_form(name) == "Form1")
            c.enabled = false;
    }
}

bool Editor::WriteOpt_Click(int, int) {
    EditorNotify n(*this);
    st_.controls["WriteOpt"].value = 1;
    st_.controls["ModifyOpt"].value = 0;
    // The lock itself is applied when this call ends, and again after every later call
    // while "Write Mode" stays selected, so a refresh cannot unlock a control.
    return true;
}

bool Editor::ModifyOpt_Click(int, int) {
    EditorNotify n(*this);
    st_.controls["ModifyOpt"].value = 1;
    st_.controls["WriteOpt"].value = 0;
    for (auto& [name, c] : st_.controls.all()) {
        if (edit_mode_prefix(name) && control_form(name) == "Form1")
            c.enabled = true;
    }
    // The source-prompt boxes and entries follow their switches again rather than being
    // left enabled while the source prompts are off.
    kpr::read_SourcePrompt(st_);
    return true;
}

bool Editor::WriteOpt_KeyPress(int, int keyAscii) {
    EditorNotify n(*this);
    if (keyAscii != 32)
        return false;
    run_write_command();
    st_.focusRequest = "WriteOpt";
    return true;
}

void Editor::run_write_command() {
    if (writeCommand_)
        writeCommand_();
    else
        mnuEB_Click();
}

bool Editor::optAuto1_Click(int, int) {
    EditorNotify n(*this);
    st_.flags.AutoInc1 = st_.controls["optAuto1"].value == 1;
    return true;
}

bool Editor::optAuto2_Click(int, int) {
    EditorNotify n(*this);
    st_.flags.AutoInc2 = st_.controls["optAuto2"].value == 1;
    return true;
}

// ---------------------------------------------------------------------------------------
// Keyboard serial-number scan

bool Editor::Form_KeyPress(int keyAscii) {
    EditorNotify n(*this);
    if (keyAscii != 13) {
        if (keyAscii > 0 && keyAscii < 256)
            ScanBuffer_.push_back(static_cast<char>(keyAscii));
        return false;
    }
    if (ScanBuffer_.size() == 11)
        ScanBuffer_.push_back(' ');
    if (ScanBuffer_.size() != 12)
        return false;
    st_.controls["textSN"].text = latin1_to_utf8(ScanBuffer_);
    for (int k = 0; k < 12; ++k)
        st_.image[AddrSerialFirst + k] =
            static_cast<uint8_t>(ScanBuffer_[static_cast<std::size_t>(k)]);
    st_.flags.ScanIdle = false;
    run_write_command();
    st_.flags.ScanIdle = true;
    return true;
}

void Editor::Timer2_Timer() {
    ScanBuffer_.clear();
}

// "Load Default": the built-in text of the prompt that last had the focus.
bool Editor::optDefault_Click(int, int) {
    EditorNotify n(*this);
    // Both buttons behave the same.
    const int prompt = st_.flags.CurrentPrompt;
    const std::string key = ctl("txtPrompt", prompt);
    if (!st_.controls.contains(key))
        return true;
    const std::string& tag = st_.controls.at(key).tag;
    const auto addr = parse_int16_literal(tag.substr(0, tag.find(',')));
    if (!addr)
        return true;
    const int lng = st_.controls["cboLng"].value;
    if (lng >= 0 && lng <= 5)
        load_default_prompt(st_.image, *addr, lng);
    kpr::read_prompt(st_);
    st_.focusRequest = key;
    return true;
}

// ---------------------------------------------------------------------------------------
// Generic user action, for kprtool and the GUI's simple controls

bool Editor::has_handler(const std::string& name, ControlEvent event) const {
    const ControlRoute* r = find_control_route(name);
    return r && r->handler(event);
}

bool Editor::route(const std::string& name, ControlEvent event, int arg) {
    const ControlRoute* r = find_control_route(name);
    const ControlRoute::Handler handler = r ? r->handler(event) : nullptr;
    if (!handler)
        return false;
    EditorNotify n(*this);
    if (event == ControlEvent::Click && r->clickStoresValue) {
        if (!st_.controls.contains(name))
            return false;
        st_.controls.at(name).value = arg;
    }
    return (this->*handler)(split_control_name(name).index, arg);
}

bool Editor::user_change(const std::string& name, int value) {
    return route(name, ControlEvent::Click, value);
}

namespace {

// Counts the messages raised while it is installed, passing them on.
class CountingMessages final : public OperatorMessages {
  public:
    explicit CountingMessages(OperatorMessages& inner) : inner_(inner) {}
    void message(const std::string& text, MessageIcon icon) override {
        ++count;
        inner_.message(text, icon);
    }
    bool ask(const std::string& text) override { return inner_.ask(text); }
    int count = 0;

  private:
    OperatorMessages& inner_;
};

} // namespace

bool Editor::user_enter_text(const std::string& name, const std::string& text) {
    if (!st_.controls.contains(name) || !has_handler(name, ControlEvent::LostFocus))
        return false;
    EditorNotify n(*this);
    OperatorMessages* outer = st_.messages;
    CountingMessages counter(*outer);
    st_.messages = &counter;
    struct Restore {
        EditorState& s;
        OperatorMessages* m;
        ~Restore() { s.messages = m; }
    } restore{st_, outer};

    route(name, ControlEvent::GotFocus);
    route(name, ControlEvent::KeyPress, 0); // any key: the frequency's pending error ends
    st_.controls.at(name).text = text;
    if (has_handler(name, ControlEvent::KeyUp) && !route(name, ControlEvent::KeyUp))
        return false;
    return route(name, ControlEvent::LostFocus) && counter.count == 0;
}

} // namespace kpr
