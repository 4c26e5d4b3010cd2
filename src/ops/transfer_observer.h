#pragma once
// What the programming operations tell about the images that pass: the backups keep them,
// a station notes the serial number written.
#include "common/progress.h"
#include "image/pager_image.h"
#include "ops/block_transfer.h"

#include <string>

namespace kpr {

// What the programming operations tell about the images that pass: kept as backups.
// A BoardSession holds one (BoardSession::setObserver).
class TransferObserver {
  public:
    virtual ~TransferObserver() = default;
    // A read was accepted; `image` is the editor's image now (PC codes).
    virtual void read_accepted(const PagerImage& image) = 0;
    // A whole image is about to be written: `outgoing` is sealed and in pager codes; `link`
    // can read what the pager holds now, showing it on `progress`. False stops the write
    // (the reason has been shown).
    virtual bool before_write(const PagerImage& outgoing, BlockTransfer& link,
                              ProgressSink& progress) = 0;
    // The file name of the copy kept of what the pager held before the last write; "" when
    // none was kept.
    virtual std::string last_backup_file() const { return {}; }
    // The file name of the copy kept of the last accepted read; "" when none was kept.
    virtual std::string last_read_backup_file() const { return {}; }
};

} // namespace kpr
