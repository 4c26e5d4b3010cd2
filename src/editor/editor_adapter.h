#pragma once
// EditorHooks over the real editor.
#include "editor/editor.h"
#include "ops/editor_hooks.h"

namespace kpr {

class EditorAdapter final : public EditorHooks {
  public:
    explicit EditorAdapter(Editor& editor) : editor_(editor) {}

    PagerImage& image() override { return editor_.image(); }
    PagerImage& imageBackup() override { return editor_.state().ImageBackup; }
    TransferFlags& flags() override { return editor_.flags(); }
    void commit_frequency() override;
    void init_ctl() override { editor_.init_ctl(); }
    void read_capcode() override { editor_.read_capcode(); }
    std::string capcode_text(int index) override;
    void store_capcode_text(int index, const std::string& text) override;
    bool modify_mode() override { return !editor_.is_write_mode(); }
    void text_to_pager() override;
    void text_from_pager() override;
    int load_from_pager(std::span<const uint8_t> bytes, BandRule rule) override {
        return editor_.load_from_pager(bytes, rule);
    }

  private:
    Editor& editor_;
};

} // namespace kpr
