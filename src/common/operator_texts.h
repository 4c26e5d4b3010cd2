#pragma once
// Every fixed text the operator sees from the board, the transfers, the backups, a station's
// rows and the editor's own handlers, spelled once. Texts built from data (a model name, an
// error code) are functions here or beside the data they describe.
#include <string>

namespace kpr {

// ----- the board ----------------------------------------------------------------------
inline constexpr const char* MsgBoardNotResponding = "The Programmed Board is not responding!";
inline constexpr const char* MsgInitError = "Programmer Initial Error !";
inline constexpr const char* MsgNoParallelPort = "No parallel port could be used:";
inline constexpr const char* MsgLptUnavailable =
    "The parallel-port programmer is not available in this build.";

// ----- transfers: the status line while they run, then their outcome ---------------------
inline constexpr const char* MsgWritingNow = "Writing Now.......";
inline constexpr const char* MsgReadingNow = "Reading Now.......";
inline constexpr const char* MsgVerifyingNow = "Verifying Now.....";
inline constexpr const char* MsgBackingUp = "Backing Up Now.....";

inline constexpr const char* MsgReadTimeOut = "Read Time Out!";
inline constexpr const char* MsgReadError = "Read error!";
inline constexpr const char* MsgWriteError = "Write error!";
inline constexpr const char* MsgReadSuccess = "Read success!";
inline constexpr const char* MsgChecksumError = "CheckSum Error!";
inline constexpr const char* MsgVerifySuccess = "Verify Success!";
inline constexpr const char* MsgVerifyError = "Verify Error!";
inline constexpr const char* MsgPagerDataWrong = "The data in this pager is wrong!";
// A write cancelled after its first block went out: the pager holds part of the new image.
inline constexpr const char* MsgWriteIncomplete =
    "The write was cancelled after it had begun: the pager is incomplete and must be written "
    "again.";
// kprtool's word for an operation stopped by Ctrl-C.
inline constexpr const char* MsgCancelled = "Cancelled.";

// ----- a station position: the state its row shows --------------------------------------
inline constexpr const char* MsgStationProbing = "Looking for the board...";
inline constexpr const char* MsgStationInsert = "Insert the next pager, then Next";
inline constexpr const char* MsgStationSamePager =
    "The pager just verified is still in: insert the next, then Next";
inline constexpr const char* MsgStationRetry = "Failed: re-seat the pager, then Next to retry";
inline constexpr const char* MsgStationVerified = "Verified";
inline constexpr const char* MsgStationFailed = "Failed";
inline constexpr const char* MsgStationEnded = "Ended";
inline constexpr const char* MsgStationNoBoard = "No board";

// A read the editor could not show (a value no control takes); the code is the refresh's.
inline std::string reload_error_message(int code) {
    std::string text = MsgPagerDataWrong;
    text.append("(Error Code = ").append(std::to_string(code)).append(")");
    return text;
}

// ----- the editor's own handlers ----------------------------------------------------------
inline constexpr const char* MsgModifyModeWrite = "Modify Mode can not write! Please check!";
inline constexpr const char* MsgNumeric = "Please insert a numeric!";
inline constexpr const char* MsgCapcodeRange = "Please insert a number between 0000007 to 2097151";
inline constexpr const char* MsgDecimalNumeric = "Please insert a decimal numeric!";
inline constexpr const char* MsgChannelSpacing = "Channel Spacing Error!";
inline constexpr const char* MsgOverwrite =
    "This file is arealy exist ! \r\nAre you sure overwrite this file?";

} // namespace kpr
