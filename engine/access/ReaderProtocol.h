#pragma once

namespace vantor {

// How the reader program answers its parent: the snapshot on standard output with exit code 0,
// or one of these codes with a one-line reason on standard error.
namespace readerexit {
constexpr int Ok = 0;
constexpr int Unreadable = 2;
constexpr int OutOfMemory = 3;
constexpr int Encrypted = 4;
constexpr int Usage = 64;
} // namespace readerexit

inline constexpr char kReaderProgramName[] = "vantor-mdb-reader";
inline constexpr char kReaderProgramEnv[] = "VANTOR_MDB_READER";

} // namespace vantor
