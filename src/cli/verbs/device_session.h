#pragma once
// What every board verb of kprtool shares: the --port/--link/--lpt options, the serial
// link on the real port, an editor with its programming operations, the start-up connect
// and the shut-down release, Ctrl-C as a cancel, and messages that never tear the bar.
#include "cli/cli_messages.h"
#include "cli/cli_progress.h"
#include "cli/command.h"
#include "editor/editor.h"
#include "editor/editor_adapter.h"
#include "ops/board_session.h"
#include "platform/product_ports.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kpr::cli {

// Messages on stderr that first end a progress bar being drawn.
class BarAwareMessages final : public OperatorMessages {
  public:
    BarAwareMessages(CliMessages& inner, CliProgress& progress)
        : inner_(inner), progress_(progress) {}
    void message(const std::string& text, MessageIcon icon) override {
        lastMessage = text;
        progress_.finish();
        inner_.message(text, icon);
    }
    bool ask(const std::string& text) override {
        progress_.finish();
        return inner_.ask(text);
    }

    std::string lastMessage; // for the ledger

  private:
    CliMessages& inner_;
    CliProgress& progress_;
};

// The options of the board verbs.
void add_device_options(QList<QCommandLineOption>& options);
// False, with the reason on stderr, when --link names no board kind we know.
bool valid_device_options(CommandContext& ctx, const QCommandLineParser& parser);

// A verb that talks to the board: takes the device options and refuses a bad --link as a
// usage error before the verb itself runs.
class DeviceCommand : public Command {
  protected:
    using Command::Command;
    // Adds --port, --link, --lpt and --trace (where the verb wants them in its help).
    void addDeviceOptions() {
        QList<QCommandLineOption> o;
        add_device_options(o);
        for (const auto& opt : o)
            addOption(opt);
    }
    virtual int runDevice(CommandContext& ctx, const QCommandLineParser& parser,
                          const QStringList& args) = 0;

  private:
    int run(CommandContext& ctx, const QCommandLineParser& parser, const QStringList& args) final {
        if (!valid_device_options(ctx, parser))
            return ExitUsage;
        return runDevice(ctx, parser, args);
    }
};

class DeviceSession {
  public:
    DeviceSession(CommandContext& ctx, const QCommandLineParser& parser);
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // True when --link lpt chose the parallel-port board.
    bool lpt() const { return lpt_; }
    // The start-up connect of the chosen board (or of `board`): probes the listed ports (only
    // --port ones when given) and shows "The Programmed Board is not responding!" when none
    // answers. A board that answered the probe but did not take the mode set ("Programmer
    // Initial Error !") is a failed connect here: the verb stops with that one message.
    // With --link lpt where the system offers no parallel port (reported): false, the USB
    // board is not taken instead.
    bool connect() { return lpt_ && !session_.lpt() ? false : connect(board()); }
    bool connect(BoardLink& board);
    // The shut-down release ("r" mode set) of a known board; false when it went unanswered
    // (reported).
    bool release() { return release(board()); }
    bool release(BoardLink& board) { return board.release(); }

    // Ports to probe: the --port ones alone when given, the system's otherwise.
    std::vector<std::string> ports();

    Editor& editor() { return editor_; }
    EditorAdapter& hooks() { return hooks_; }
    // The board --link chose, the USB link beside it, the operations and the ledger's recorder.
    BoardSession& session() { return session_; }
    Operations& ops() { return session_.operations(); }
    UsbLink& link() { return session_.usb(); }
    BoardLink& board() { return session_.board(); }
    OperatorMessages& messages() { return messages_; }
    // The last message shown, forgotten once taken (the ledger keeps it with one attempt).
    std::string takeLastMessage() { return std::exchange(messages_.lastMessage, {}); }
    CommandContext& context() { return ctx_; }
    bool cancelled() const;

    // Opens a table file into the editor as the window opens its file at start-up: the band
    // derived from the image (band 1 where none can be), the spacing of start-up.
    bool open_table_file(const QString& path);

  private:
    CommandContext& ctx_;
    std::vector<std::string> namedPorts_;
    bool lpt_ = false;
    BarAwareMessages messages_;
    ProductPorts ports_;
    Editor editor_;
    EditorAdapter hooks_;
    BoardSession session_;
};

} // namespace kpr::cli
