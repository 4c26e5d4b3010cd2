#pragma once
// Texts the operator sees from more than one part of the program (the editor and the
// transfers over either link), spelled once.
#include <string>

namespace kpr {

inline constexpr const char* TextReadSuccess = "Read success!";
inline constexpr const char* TextChecksumError = "CheckSum Error!";
inline constexpr const char* TextVerifyError = "Verify Error!";
inline constexpr const char* TextModifyModeWrite = "Modify Mode can not write! Please check!";

// A read the editor could not show (a value no control takes); the code is the refresh's.
inline std::string reload_error_message(int code) {
    return "The data in this pager is wrong!(Error Code = " + std::to_string(code) + ")";
}

} // namespace kpr
