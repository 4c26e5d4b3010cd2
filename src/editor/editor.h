#pragma once
// The editor view-model: the pager image, the editor flags and the state of every control of
// the main window (Form1) and of the function-bit (Form5) and alert (Form6) dialogs, with the
// handlers and refresh routines that tie them together. No widgets: the GUI renders
// controls() and forwards events to the handler of the same name; kprtool drives the same
// handlers.
//
// Event protocol for a front end: every control event goes through route(name, event, arg),
// which finds the control's handler in the routing table (editor/control_routes.h).
//  - check boxes, lists, option buttons, the slider, buttons: route(name, Click, newValue)
//    (or user_change(name, value)); the value is stored into the control first.
//  - entries: on focus-in route GotFocus (it may clear the text), on every edit put the text
//    into controls().at(name).text and route KeyUp, on a key route KeyPress with its code
//    (true = the key is swallowed), on focus-out route LostFocus. Before a Pager command,
//    end any entry edit (move the focus so its LostFocus runs) and then call the command.
//  - after each call, carry out state().focusRequest (then clear it) and re-render; the
//    change hook fires once per outermost handler call.
#include "editor/control_routes.h"
#include "editor/editor_state.h"
#include "settings/band.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kpr {

struct StatusLine;

// Names of the editor's single controls (arrays use ctl(name, index)).
inline constexpr const char* WindowTitleDesign = "KPR35T Pager Programmer V3.87";

class Editor {
  public:
    explicit Editor(OperatorMessages& messages);
    Editor& operator=(const Editor&) = delete;

    // An editor no operator watches (null_messages: silent, every question answered No),
    // started as the window starts without a default file; given an image, it then opens it
    // as File > Open would.
    static std::unique_ptr<Editor> headless();
    static std::unique_ptr<Editor> headless(const PagerImage& image);
    // Another headless editor in this headless one's state, as headless() with the same
    // image would make it, without its start-up: a large order checks each row in an editor
    // of its own.
    std::unique_ptr<Editor> headless_copy() const;

    EditorState& state() { return st_; }
    const EditorState& state() const { return st_; }
    PagerImage& image() { return st_.image; }
    const PagerImage& image() const { return st_.image; }
    ControlModel& controls() { return st_.controls; }
    const ControlModel& controls() const { return st_.controls; }
    EditorFlags& flags() { return st_.flags; }
    const EditorFlags& flags() const { return st_.flags; }

    // --- change notification -------------------------------------------------------------
    // Called once after every outermost handler / refresh call that may have changed state.
    void set_change_callback(std::function<void()> callback) { onChanged_ = std::move(callback); }
    // Incremented with every such call.
    uint64_t revision() const { return revision_; }

    // The Write command as the front end runs it (editor mnuEB_Click, then the programming
    // dialog). The keyboard serial-number scan and the space bar on "Write Mode" call it;
    // without one they only run mnuEB_Click.
    void set_write_command(std::function<void()> command) { writeCommand_ = std::move(command); }

    // --- routing -----------------------------------------------------------------------------
    // Runs the handler the routing table gives `name` for `event`, as one handler call. False
    // when it has none (or a Click's value has no control to go to); otherwise the handler's
    // answer (ControlRoute::Handler).
    bool route(const std::string& name, ControlEvent event, int arg = 0);
    bool has_handler(const std::string& name, ControlEvent event) const;
    // A Click: sets the control's value and runs its click handler, as a person changing it
    // would. False when no click handler belongs to that name.
    bool user_change(const std::string& name, int value);
    // Types a whole text into an entry and leaves it, as a person would: GotFocus, text,
    // KeyUp, LostFocus. False when a message refused the text (the image is then unchanged
    // by the final value; earlier prefixes may have been stored as the entry stores while
    // typing, unless the text is refused before any key).
    bool user_enter_text(const std::string& name, const std::string& text);

    // --- start-up ----------------------------------------------------------------------------
    // The link the build or the command line chose: the window title reads "Vard Quinta USB "
    // or "Vard Quinta " followed by "KPR35T V05.21", and the board status line lblMsg is
    // shown for the USB link only. USB unless told otherwise.
    void set_usb_link(bool usb);
    bool usb_link() const { return usbLink_; }
    // What the link last said about the board: lblMsg's caption and colour and whether the
    // Pager menu (mnuPager, mnuEntire, mnuEB, mnuEB1) is enabled. Held until the next report,
    // whatever is edited or transferred meanwhile.
    void show_board_state(const StatusLine& line);
    // The start of start-up, before the board search: clears FreqErrorPending, builds the
    // default image, sets the window title. The constructor already does this once.
    void build_default();
    // The rest of start-up, once the board search has begun: StartupFinished, spacing "5KHz",
    // CurrentTablePath = folder + "/default.tbl", open it when present or else choose band 1,
    // clear UnversionedFirmware, set ScanIdle. loadDefaultFile false skips the file (as when
    // it is missing), for tools that open a file of their own next.
    void startup_finish(const std::string& programFolder, bool loadDefaultFile = true);

    // --- refresh (never write the image) -----------------------------------------------------
    void init_ctl();
    void read_capcode();
    bool read_BaseFreq();
    void read_freq();
    void read_pll();

    // --- control handlers ------------------------------------------------------------------
    // Every handler a control event runs has one shape, so the routing table names them
    // directly: index is the array member (-1 for a single control), arg the key code of a
    // KeyPress (the value of a Click is already in the control). The answer: KeyPress, the
    // key was swallowed; KeyUp and LostFocus, the text was taken; Click and GotFocus, true.
    // A front end calls them through route(); they are public for the tests of one handler.

    // Bound controls and lists of the main window.
    bool chkCtl_Click(int index, int arg);
    bool cboCtl_Click(int index, int arg);
    bool chkSource_Click(int index, int arg);
    bool chkMenu_Click(int index, int arg);
    bool cboSLC_Click(int index, int arg);
    bool cboORC_Click(int index, int arg);
    bool cboZoom_Click(int index, int arg);
    bool Slider1_Change(int index, int arg);
    // Edit modes; space on "Write Mode" runs the Write command.
    bool WriteOpt_Click(int index, int arg);
    bool ModifyOpt_Click(int index, int arg);
    bool WriteOpt_KeyPress(int index, int keyAscii);
    bool optAuto1_Click(int index, int arg);
    bool optAuto2_Click(int index, int arg);
    // Capcodes; KeyUp validates controls()["txtAddr(index)"].text and stores it.
    bool txtAddr_GotFocus(int index, int arg);
    bool txtAddr_KeyPress(int index, int keyAscii);
    bool txtAddr_KeyUp(int index, int arg);
    bool txtAddr_LostFocus(int index, int arg);
    // Frequency, band and spacing; LostFocus commits the entry and is refused by a message
    // (FreqErrorPending is then set).
    bool txtFreq_GotFocus(int index, int arg);
    bool txtFreq_KeyPress(int index, int keyAscii);
    bool txtFreq_KeyUp(int index, int arg);
    bool txtFreq_LostFocus(int index, int arg);
    bool cboDft_Click(int index, int arg);
    bool cboRoHS_Click(int index, int arg);
    // Prompts (Enter in an entry moves the focus to picTabBack; LostFocus stores the text
    // into its record), their alignment, "Load Default" and the source-prompt switch.
    bool txtPrompt_GotFocus(int index, int arg);
    bool txtPrompt_KeyPress(int index, int keyAscii);
    bool txtPrompt_LostFocus(int index, int arg);
    bool optLeft_Click(int index, int arg);
    bool optCenter_Click(int index, int arg);
    bool optRight_Click(int index, int arg);
    bool optDefault_Click(int index, int arg);
    bool cboSource_Click(int index, int arg);
    // The logo font (writes &H3F bits 0-3, then lays out the logo entry) and the language
    // (its texts into the image, the logo font value, then the prompts laid out and read).
    bool cboLogo_Click(int index, int arg);
    bool cboLng_Click(int index, int arg);
    // Tone, battery levels and password (KeyUp checks and stores the entry).
    bool cboTone_Click(int index, int arg);
    bool cboBatLev_Click(int index, int arg);
    bool txtPass_GotFocus(int index, int arg);
    bool txtPass_KeyPress(int index, int keyAscii);
    bool txtPass_KeyUp(int index, int arg);
    bool txtPass_LostFocus(int index, int arg);
    // The function-bit dialog: cmdFunc sets FunctionBitSlot and fills it; the GUI then shows
    // it modally.
    bool cmdFunc_Click(int index, int arg);
    bool cboDisp_Click(int index, int arg);
    bool cboType_Click(int index, int arg);
    bool chkPri_Click(int index, int arg);
    // The alert dialog: cmdAlert fills it; the GUI then shows it modally.
    bool cmdAlert_Click(int index, int arg);
    bool cboPersonal_Click(int index, int arg);
    bool cboMailAler_Click(int index, int arg);
    bool cboHis_Click(int index, int arg);

    // --- Pager commands ----------------------------------------------------------------------
    bool is_write_mode() const;
    // The Pager commands up to the programming dialog: true when the dialog should open
    // (OperationKind is then set). Write refuses in "Modify Mode"; a pending frequency error
    // drops the command once. Timer1 stop/start and the text conversion around the dialog
    // belong to the caller.
    bool mnuEntire_Click(); // Read
    bool mnuEB_Click();     // Write
    bool mnuEB1_Click();    // Verfy
    // A Pager command (Read, Write, Verfy) as a front end runs it: an entry being
    // edited is left first (leaveEntry moves the focus off it, so its LostFocus stores it),
    // except an entry that has just refused its frequency, which must not be committed a
    // second time, and except Write in "Modify Mode", which refuses anyway. A command dropped
    // by that refused frequency ends the entry's edit: the stored frequency shows again.
    bool run_pager_command(OperationKind kind, const std::function<void()>& leaveEntry);

    // --- frequency arithmetic ----------------------------------------------------------------
    void SetFreqPLL(int32_t base, double step, int incd);
    void SetRoHSFreqPLL(int32_t base, double step, int incd);
    // Before a USB write: firmware &HFF sets UnversionedFirmware, any other value is copied
    // to &H459 and clears it; then the frequency entry is committed so the synthesiser words
    // suit the pager about to be written. Returns the commit's result.
    bool prepare_frequency_for_write(uint8_t firmwareVersion);
    int band() const;    // cboDft position, -1 none
    int spacing() const; // cboRoHS position, -1 none

    // --- File commands (file names come from the caller's dialogs) --------------------------
    // Open: true when the file became the image. Messages: "This file is not exit!", the
    // format message, or an unreadable-file message.
    bool mnuLBFF_Click(const std::string& path);
    // Open with SaveToCurrent set: CurrentTablePath without a dialog.
    bool open_current();
    // Save As: asks before overwriting an existing file; true when written.
    bool mnuSA_Click(const std::string& path);
    // Save: CurrentTablePath without a question.
    bool mnuSBTF_Click();
    // A file the window opened or saved in another format (a profile) becomes the current
    // file: the caption names it and the window's Save goes to it.
    void set_current_file(const std::string& path);
    // Save As's question before replacing an existing file: true when `path` does not exist
    // or the operator agreed.
    bool may_overwrite(const std::string& path);
    // Makes `image` the editor's image as File > Open does: the band its synthesiser words
    // name by `rule`, every control refreshed (with ImageJustLoaded under the standard rule;
    // the parallel-port read leaves it clear).
    void load_image(const PagerImage& image, BandRule rule = BandRule::Standard);
    // What a read brought, in pager codes from address 0, loaded as above; an image the
    // controls cannot show is dropped for ImageBackup and the band shown before. Returns the
    // refresh's error code (0: shown).
    int load_from_pager(std::span<const uint8_t> bytes, BandRule rule);

    // --- keyboard serial-number scan ----------------------------------------------------------
    // A key press no entry consumed. True when the key is swallowed (the Enter that ends a
    // 12-character scan; the Write command has then run).
    bool Form_KeyPress(int keyAscii);
    void Timer2_Timer();
    const std::string& scan_buffer() const { return ScanBuffer_; }

    // The window caption (also in controls()["Form1"].text).
    const std::string& caption() const;

    // Every Form1 control name, for the edit-mode rule and the front ends.
    std::vector<std::string> form1_controls() const;

  private:
    friend class EditorNotify;
    // For headless_copy alone: a front end holds its editor by reference, never a copy.
    Editor(const Editor&) = default;
    void populate_controls();
    void apply_edit_mode();
    void refresh_bound_controls();
    bool frequency_commit();
    void update_caption();
    // After a new image: the band it names, the controls refreshed.
    void show_loaded_image(BandRule rule);
    void select_band_silently(int band);
    void set_title();
    bool pager_command(OperationKind kind);
    void run_write_command();
    void begin_call() { ++depth_; }
    void end_call();

    EditorState st_;
    std::function<void()> onChanged_;
    std::function<void()> writeCommand_;
    uint64_t revision_ = 0;
    int depth_ = 0;
    bool usbLink_ = true;
    int32_t baseFreqHz_ = 0;
    int stepHundredths_ = 0;
    std::string ScanBuffer_;
};

} // namespace kpr
