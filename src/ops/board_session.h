#pragma once
// One programmer board as a program holds it: the board of the kind asked for (the USB one,
// or the parallel-port one), the USB link beside it, the block transfer, the whole-image
// operations, what watches the images that pass (an observer, and a recorder in front of it)
// and the one cancel token they all answer to. The window, kprtool and every station position
// hold one and wire none of these parts themselves.
#include "hardware/port_io.h"
#include "link/lpt_link.h"
#include "link/usb_link.h"
#include "ops/attempt_recorder.h"
#include "ops/lpt_operations.h"
#include "ops/operations.h"
#include "ops/usb_operations.h"
#include "ops/usb_transfer.h"

#include <functional>
#include <memory>

namespace kpr {

enum class BoardKind { Usb, Lpt };

// Where the board is reached. The serial side is always there: Check Firmware reads over the
// USB link whatever the board.
struct BoardPorts {
    SerialPort& serial;
    PortLister& lister;
    Clock& clock;
    // Where the USB board is searched for; empty: the lister's list as it is.
    PortNameSource searchList = {};
    // The parallel port when the board is the parallel-port one; empty: the USB board.
    std::unique_ptr<PortIo> lpt = {};
};

class BoardSession {
  public:
    BoardSession(BoardPorts ports, EditorHooks& editor, OperatorMessages& messages,
                 ProgressSink& progress);
    ~BoardSession();
    BoardSession(const BoardSession&) = delete;
    BoardSession& operator=(const BoardSession&) = delete;

    BoardKind kind() const { return lptLink_ ? BoardKind::Lpt : BoardKind::Usb; }
    // The board the program finds, ticks, programs and releases.
    BoardLink& board();
    UsbLink& usb() { return usb_; }
    // The parallel-port link when that is the board; nullptr otherwise.
    LptLink* lpt() { return lptLink_.get(); }
    Operations& operations() { return ops_; }

    // Where the board shows its state. Only the board in use shows it: beside the
    // parallel-port board the USB link only reads the firmware byte, and a failure there says
    // nothing about the board on screen.
    void setUi(LinkUi* ui);

    // Told of every accepted read and every image about to be written (the backups).
    void setObserver(std::unique_ptr<TransferObserver> observer);
    // Records every attempt, in front of the observer; nullptr: nothing is recorded.
    void setRecorder(std::unique_ptr<AttemptRecorder> recorder);
    AttemptRecorder* recorder() { return recorder_.get(); }

    // The programming dialog's steps, each made ready in and recorded by the recorder (if
    // any): nothing runs when it may not. `reserved` runs once a batch step's capcodes are
    // reserved, before anything is written (to show them).
    Operations::DialogNext activate();
    OpOutcome batch_step(const std::function<void()>& reserved = {});

  private:
    CancelToken cancel_;
    UsbLink usb_;
    UsbBlockTransfer transfer_;
    UsbBoardOperations usbOps_;
    std::unique_ptr<PortIo> lptIo_;
    std::unique_ptr<LptLink> lptLink_;
    std::unique_ptr<LptBoardOperations> lptOps_;
    Operations ops_;
    std::unique_ptr<TransferObserver> observer_;
    std::unique_ptr<AttemptRecorder> recorder_;
};

} // namespace kpr
