#include "ops/board_session.h"

namespace kpr {

namespace {
std::unique_ptr<LptLink> lpt_link(PortIo* io, Clock& clock, OperatorMessages& messages) {
    return io ? std::make_unique<LptLink>(*io, clock, messages) : nullptr;
}
std::unique_ptr<LptBoardOperations> lpt_ops(LptLink* link) {
    return link ? std::make_unique<LptBoardOperations>(*link) : nullptr;
}
} // namespace

BoardSession::BoardSession(BoardPorts ports, EditorHooks& editor, OperatorMessages& messages,
                           ProgressSink& progress)
    : usb_(ports.serial, ports.lister, ports.clock, messages), transfer_(usb_, progress),
      usbOps_(transfer_), lptIo_(std::move(ports.lpt)),
      lptLink_(lpt_link(lptIo_.get(), ports.clock, messages)), lptOps_(lpt_ops(lptLink_.get())),
      ops_(editor, lptOps_ ? static_cast<BoardOperations&>(*lptOps_) : usbOps_, usbOps_, cancel_,
           messages, progress) {
    transfer_.shareCancelToken(cancel_);
    if (ports.searchList)
        usb_.setPortNameSource(std::move(ports.searchList));
}

BoardSession::~BoardSession() {
    ops_.setTransferObserver(nullptr);
    if (lptLink_)
        lptLink_->close();
}

BoardLink& BoardSession::board() {
    return lptLink_ ? static_cast<BoardLink&>(*lptLink_) : usb_;
}

void BoardSession::setUi(LinkUi* ui) {
    if (kind() == BoardKind::Usb)
        usb_.setUi(ui);
}

void BoardSession::setObserver(std::unique_ptr<TransferObserver> observer) {
    observer_ = std::move(observer);
    if (recorder_)
        recorder_->place(observer_.get());
    else
        ops_.setTransferObserver(observer_.get());
}

void BoardSession::setRecorder(std::unique_ptr<AttemptRecorder> recorder) {
    // The operations never see a recorder that is going.
    ops_.setTransferObserver(recorder ? recorder.get() : observer_.get());
    recorder_ = std::move(recorder);
    if (recorder_)
        recorder_->place(observer_.get());
}

Operations::DialogNext BoardSession::activate() {
    if (recorder_ && !recorder_->ready(false))
        return Operations::DialogNext::Close;
    const OperationKind kind = ops_.context().editor.flags().OperationKind;
    const Operations::DialogNext next = ops_.activate();
    if (!recorder_)
        return next;
    if (kind == OperationKind::Read)
        recorder_->record_read(ops_.lastReadOutcome());
    else if (kind == OperationKind::Verify)
        recorder_->record_verify(ops_.lastOutcome());
    else if (next == Operations::DialogNext::Close)
        recorder_->record_write(ops_.lastOutcome());
    return next;
}

OpOutcome BoardSession::batch_step(const std::function<void()>& reserved) {
    const TransferFlags& f = ops_.context().editor.flags();
    if (recorder_ && (!recorder_->ready(f.AutoInc1 || f.AutoInc2) ||
                      !recorder_->reserve(f.AutoInc1, f.AutoInc2)))
        return OpOutcome::Failed;
    if (reserved)
        reserved();
    const OpOutcome r = ops_.batch_step();
    if (recorder_)
        recorder_->record_write(r);
    return r;
}

} // namespace kpr
