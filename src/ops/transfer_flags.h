#pragma once
// The editor flags the programming operations read and set. The editor's own flags extend
// these, so the operations see them without knowing the editor.

namespace kpr {

// What the programming dialog does as it opens.
enum class OperationKind { Read, Write, Verify };

struct TransferFlags {
    // Set while a band is selected for the list only, so the band handler stays silent.
    bool SuppressClick = false;
    kpr::OperationKind OperationKind = kpr::OperationKind::Read;
    bool ImageJustLoaded = false;
    bool UnversionedFirmware = false;
    bool ScanIdle = false;
    // Raise the first / second capcode by one after every successful write.
    bool AutoInc1 = false;
    bool AutoInc2 = false;
    // The code a refresh that could not show a value left (ReloadErrorCode), 0 when none.
    int ReloadError = 0;
};

} // namespace kpr
