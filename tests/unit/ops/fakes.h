#pragma once
// In-memory stand-ins for the operations' collaborators: an editor that records what was
// asked of it, and a pager reached through block transfers that can be told to fail.
#include "common/operator_messages.h"
#include "common/progress.h"
#include "ops/block_transfer.h"
#include "ops/editor_hooks.h"
#include "ops/seal.h"

#include <functional>
#include <string>
#include <vector>

namespace kpr::test {

struct Message {
    std::string text;
    MessageIcon icon;
};

class RecordingMessages : public OperatorMessages {
  public:
    void message(const std::string& text, MessageIcon icon) override {
        messages.push_back({text, icon});
    }
    bool ask(const std::string&) override { return true; }
    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (auto& m : messages)
            t.push_back(m.text);
        return t;
    }
    std::vector<Message> messages;
};

class RecordingProgress : public ProgressSink {
  public:
    void setMaximum(int m) override { maximum = m; }
    void setPosition(int p) override { position = p; }
    void setColour(uint32_t c) override { colour = c; }
    void setStatus(const std::string& s) override { status = s; }
    int maximum = -1, position = -1;
    uint32_t colour = 0;
    std::string status = "unset";
};

class FakeEditor : public EditorHooks {
  public:
    PagerImage& image() override { return img; }
    PagerImage& imageBackup() override { return backup; }
    TransferFlags& flags() override { return fl; }
    void commit_frequency() override {
        log.push_back(fl.UnversionedFirmware ? "commit_frequency(unversioned)"
                                             : "commit_frequency");
    }
    void init_ctl() override {
        log.push_back(fl.ImageJustLoaded ? "init_ctl(loaded)" : "init_ctl");
        if (reloadErrorOnce) {
            fl.ReloadError = reloadErrorOnce;
            reloadErrorOnce = 0;
        }
    }
    std::optional<int> current_band() override { return band; }
    void select_band(int b) override {
        log.push_back("select_band(" + std::to_string(b) +
                      (fl.SuppressClick ? ",silent)" : ",loud)"));
        band = b;
    }
    void read_capcode() override { log.push_back("read_capcode"); }
    std::string capcode_text(int index) override { return capcodes[index]; }
    void store_capcode_text(int index, const std::string& text) override {
        capcodes[index] = text;
        log.push_back("store_capcode(" + std::to_string(index) + "," + text + ")");
    }
    bool modify_mode() override { return modify; }
    void text_to_pager() override { log.push_back("text_to_pager"); }
    void text_from_pager() override { log.push_back("text_from_pager"); }

    PagerImage img, backup;
    TransferFlags fl;
    std::optional<int> band = 1;
    std::string capcodes[2] = {"1234567", "7654321"};
    bool modify = false;
    int reloadErrorOnce = 0;
    std::vector<std::string> log;
};

// A pager's memory behind block transfers. Failures show the link's messages.
class FakePager : public BlockTransfer {
  public:
    FakePager(OperatorMessages& m) : messages(m) { memory.fill(0); }

    bool readblk(int strt, int stp, int blk) override {
        reads.push_back({strt, stp});
        buffer.assign(stp + 1, 0);
        if (onRead)
            onRead(strt);
        if (cancelRequested) {
            cancelledLast = true;
            return false;
        }
        cancelledLast = false;
        if (failReadAt && *failReadAt >= strt && *failReadAt <= stp) {
            messages.message("Read Time Out!", MessageIcon::None);
            return false;
        }
        for (int a = strt; a <= stp; ++a)
            buffer[a] = memory[a];
        (void)blk;
        return true;
    }
    std::span<const uint8_t> readBuffer() const override { return buffer; }
    bool writeblk(std::span<const uint8_t> img, int strt, int stp, int) override {
        writes.push_back({strt, stp});
        if (cancelRequested) {
            cancelledLast = true;
            return false;
        }
        cancelledLast = false;
        if (failWrite) {
            messages.message("Write error!", MessageIcon::None);
            return false;
        }
        if (!writeProtect)
            for (int a = strt; a <= stp; ++a)
                memory[a] = img[a];
        if (afterWrite)
            afterWrite();
        return true;
    }
    bool lastCancelled() const override { return cancelledLast; }
    bool lastWriteTouchedPager() const override { return false; }
    void requestCancel() override { cancelRequested = true; }
    void clearCancel() override { cancelRequested = false; }

    OperatorMessages& messages;
    PagerImage::Bytes memory;
    std::vector<uint8_t> buffer;
    std::vector<std::pair<int, int>> reads, writes;
    std::optional<int> failReadAt;
    bool failWrite = false;
    bool writeProtect = false;
    bool cancelRequested = false;
    bool cancelledLast = false;
    std::function<void()> afterWrite;
    std::function<void(int)> onRead;
};

// Puts a model text, and with it the serial checksum and image checksum, into memory.
inline void make_valid_pager(PagerImage::Bytes& m, const std::string& model = "KPR350102V3.80",
                             const std::string& serial = "ABC123456789") {
    for (size_t i = 0; i < model.size(); ++i)
        m[AddrModelFirst + i] = static_cast<uint8_t>(model[i]);
    for (int i = 0; i < SerialLength; ++i)
        m[AddrSerialFirst + i] = static_cast<uint8_t>(serial[i]);
    uint16_t c = serial_checksum(m);
    m[AddrSerialSumHigh] = static_cast<uint8_t>(c >> 8);
    m[AddrSerialSumLow] = static_cast<uint8_t>(c & 0xFF);
    m[AddrFirmware] = 37;
    uint16_t s = image_checksum(m, ImageUpperBound);
    m[2046] = static_cast<uint8_t>(s >> 8);
    m[2047] = static_cast<uint8_t>(s & 0xFF);
}

} // namespace kpr::test
