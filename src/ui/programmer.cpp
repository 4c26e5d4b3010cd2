#include "ui/programmer.h"

#include "backup/backup_store.h"
#include "editor/editor.h"
#include "product/ledger_settings.h"
#include "ui/gui_messages.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <future>

namespace kpr {

namespace {
// A transfer on the link thread works on its own copy of the editor's image and flags.
struct EditorCopy {
    explicit EditorCopy(UiThreadEditorHooks& h) : hooks(h) { hooks.beginTransfer(); }
    ~EditorCopy() { hooks.endTransfer(); }
    EditorCopy(const EditorCopy&) = delete;
    EditorCopy& operator=(const EditorCopy&) = delete;
    UiThreadEditorHooks& hooks;
};
} // namespace

void UiThreadEditorHooks::onUi(const std::function<void()>& f) {
    if (!inTransfer_) {
        runOnUi(f);
        return;
    }
    runOnUi([&] {
        copyToEditor();
        f();
        copyFromEditor();
    });
}

void UiThreadEditorHooks::beginTransfer() {
    if (depth_++ > 0)
        return;
    runOnUi([this] { copyFromEditor(); });
    inTransfer_ = true;
}

void UiThreadEditorHooks::endTransfer() {
    if (--depth_ > 0)
        return;
    inTransfer_ = false;
    runOnUi([this] { copyToEditor(); });
}

void UiThreadEditorHooks::copyToEditor() {
    adapter_.image() = image_;
    adapter_.imageBackup() = imageBackup_;
    adapter_.flags() = flags_;
}

void UiThreadEditorHooks::copyFromEditor() {
    image_ = adapter_.image();
    imageBackup_ = adapter_.imageBackup();
    flags_ = adapter_.flags();
}

namespace {
// Keeps every image read and written (and, unless turned off, what a write replaces).
std::unique_ptr<PagerBackups> product_backups(OperatorMessages& messages) {
    return std::make_unique<PagerBackups>(product_backup_store(), messages,
                                          product_backup_reads_before_write());
}
} // namespace

Programmer::Programmer(Editor& editor, GuiMessages& messages, BoardPorts ports, QObject* parent)
    : QObject(parent), hooks_(editor), said_(messages),
      session_(std::move(ports), hooks_, said_, progress_), monitor_(session_.board(), *this) {
    auto ledger = std::make_unique<LedgerRecorder>(
        LedgerParts{hooks_, said_, session_.usb(), [this] { return said_.take(); }},
        product_ledger_url(), product_ledger_file());
    ledger_ = ledger.get();
    ledgerUrl_ = ledger_->url();
    session_.setObserver(product_backups(said_));
    session_.setRecorder(std::move(ledger));
    session_.setUi(this);
    thread_.setObjectName(QStringLiteral("board link"));
    linkMailbox_ = new ThreadMailbox;
    linkMailbox_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, linkMailbox_, &QObject::deleteLater);
    // The first job is only posted once the link thread's event loop exists, so posting never
    // races its creation; the order is kept with our own lock, which ThreadSanitizer sees
    // (Qt's own locks it cannot).
    std::promise<void> started;
    const QMetaObject::Connection once = connect(
        &thread_, &QThread::started, linkMailbox_, [&started] { started.set_value(); },
        Qt::DirectConnection);
    thread_.start();
    started.get_future().wait();
    disconnect(once);
}

Programmer::~Programmer() {
    cancel();
    thread_.quit();
    // A job blocked on the UI thread cannot finish now; the process is ending anyway.
    if (!thread_.wait(3000))
        thread_.terminate();
}

void Programmer::post(std::function<void()> job, std::function<void()> done) {
    ++pending_;
    linkMailbox_->post([this, job = std::move(job), done = std::move(done)] {
        job();
        uiMailbox_.post([this, done] {
            --pending_;
            if (done)
                done();
        });
    });
}

void Programmer::runAndWait(std::function<void()> job) {
    QEventLoop loop;
    bool finished = false;
    // The UI thread keeps serving events while it waits, so the job may use the editor.
    post(
        [this, job = std::move(job)] {
            EditorCopy copy(hooks_);
            job();
        },
        [&] {
            finished = true;
            loop.quit();
        });
    if (!finished)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void Programmer::setLedgerUrl(const std::string& url) {
    ledgerUrl_ = url;
    post([this, url] { ledger_->setUrl(url); });
}

void Programmer::startupConnect(std::function<void()> done) {
    post([this] { session_.board().connect(true); }, std::move(done));
}

void Programmer::monitorTick() {
    post([this] { monitor_.tick(); });
}

void Programmer::checkFirmware(std::function<void()> done) {
    post([this] { session_.operations().check_firmware(); }, std::move(done));
}

// The operations' token is the link's too: one request stops the wait and the blocks.
void Programmer::cancel() {
    session_.operations().request_cancel();
}

void Programmer::clearCancel() {
    session_.operations().clear_cancel();
}

bool Programmer::runTransfer(const std::function<void()>& op) {
    // A close that came before the job started cancels it before it touches the board.
    if (session_.operations().cancel_requested())
        return false;
    EditorCopy copy(hooks_);
    op();
    return true;
}

void Programmer::shutdown() {
    cancel();
    runAndWait([this] {
        session_.operations().clear_cancel();
        session_.board().release();
    });
}

} // namespace kpr
