#pragma once
// Texts the operator sees from more than one part of the program (the editor and the
// transfers over either link), spelled once.
namespace kpr {

inline constexpr const char* TextReadSuccess = "Read success!";
inline constexpr const char* TextChecksumError = "CheckSum Error!";
inline constexpr const char* TextVerifyError = "Verify Error!";
inline constexpr const char* TextModifyModeWrite = "Modify Mode can not write! Please check!";

} // namespace kpr
