#pragma once
// What the programming operations need from the editor. The operations never see the
// editor itself: the product passes an adapter over the real editor (editor/editor_adapter.h),
// tests a small fake. Every call runs on the thread running the operation; the caller keeps the
// editor from being used elsewhere meanwhile (the programming dialog is modal).
#include "image/pager_image.h"
#include "ops/transfer_flags.h"
#include "settings/band.h"

#include <cstdint>
#include <span>
#include <string>

namespace kpr {

class EditorHooks {
  public:
    virtual ~EditorHooks() = default;

    // The editor's image, the copy a read keeps to fall back on, and the editor flags
    // (UnversionedFirmware, ScanIdle, AutoInc1/2, ImageJustLoaded, ReloadError, ...).
    virtual PagerImage& image() = 0;
    virtual PagerImage& imageBackup() = 0;
    virtual TransferFlags& flags() = 0;

    // Commits the frequency entry (txtFreq_LostFocus), recomputing the synthesiser words.
    virtual void commit_frequency() = 0;
    // Refreshes every control from the image; a refresh that cannot show a value leaves
    // its code in flags().ReloadError.
    virtual void init_ctl() = 0;
    // Redisplays the capcodes from the image.
    virtual void read_capcode() = 0;
    // Text of capcode entry index (txtAddr(index)).
    virtual std::string capcode_text(int index) = 0;
    // Puts text into capcode entry index and stores it as a key release there does
    // (txtAddr_KeyUp(index, 0, 0)).
    virtual void store_capcode_text(int index, const std::string& text) = 0;
    // True while the editor is in "Modify Mode" (writing refused).
    virtual bool modify_mode() = 0;

    // Shows what a read brought (texts in pager codes, bytes from address 0) as the editor's
    // image: the band its synthesiser words name by `rule`, every control refreshed. An image
    // the controls cannot show is dropped for imageBackup() and the band shown before; the
    // refresh's error code is returned (0: shown).
    virtual int load_from_pager(std::span<const uint8_t> bytes, BandRule rule) = 0;

    // The image's text regions between PC codes and pager codes.
    virtual void text_to_pager() = 0;
    virtual void text_from_pager() = 0;

  private:
    friend class PagerCodesScope;
    int pagerCodesDepth_ = 0; // PagerCodesScopes alive on this editor
};

// Keeps the image's text regions in pager codes for as long as it lives: the bracket the
// write and verify operations put around their work, a write and its verify in one bracket
// (the conversion is not one-to-one both ways, so the image must not go back in between).
// Brackets nest: only the outermost converts. The verify inside refreshes the editor from the
// image while its texts are in pager codes, so the editor is refreshed again once they are
// back: national letters would otherwise show as the punctuation that stands for them in the
// pager.
class PagerCodesScope {
  public:
    explicit PagerCodesScope(EditorHooks& e) : editor_(e) {
        if (editor_.pagerCodesDepth_++ == 0)
            editor_.text_to_pager();
    }
    ~PagerCodesScope() {
        if (--editor_.pagerCodesDepth_ > 0)
            return;
        editor_.text_from_pager();
        editor_.init_ctl();
    }
    PagerCodesScope(const PagerCodesScope&) = delete;
    PagerCodesScope& operator=(const PagerCodesScope&) = delete;

  private:
    EditorHooks& editor_;
};

} // namespace kpr
