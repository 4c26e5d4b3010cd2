#pragma once
// What keeps the record of every attempt a board session makes (the programming ledger). It
// stands in front of the session's other observer (the backups) and passes every image on to
// it; the session gives it that place.
#include "ops/board_operations.h"
#include "ops/transfer_observer.h"

namespace kpr {

class AttemptRecorder : public TransferObserver {
  public:
    // The observer behind this one, told of every image after it; nullptr: none.
    virtual void place(TransferObserver* behind) = 0;
    // An attempt starts. False when it may not go on (the reason has been shown); `needed`:
    // the attempt is a batch with auto-increase, which the record protects.
    virtual bool ready(bool needed) = 0;
    // Reserves the capcodes of the ticked entries (0, 1) for the next pager. False when
    // refused (the reason has been shown).
    virtual bool reserve(bool inc1, bool inc2) = 0;
    // Records the attempt just ended; false when it could not be recorded (reason shown).
    virtual bool record_write(OpOutcome r) = 0;
    virtual bool record_read(ReadOutcome r) = 0;
    virtual bool record_verify(OpOutcome r) = 0;
};

} // namespace kpr
