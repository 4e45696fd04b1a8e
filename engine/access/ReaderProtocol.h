#pragma once

namespace vantor {

// How the reader program answers its parent: the schema (see ReaderAnswer.h) on the descriptor
// named by --answer-fd (standard output when there is none) with exit code 0, or one of these codes
// with a one-line reason as the last line on standard error. The answer has a descriptor of its own
// so that nothing libmdb prints can be taken for part of it.
namespace readerexit {
constexpr int Ok = 0;
constexpr int Unreadable = 2;
constexpr int OutOfMemory = 3;
constexpr int Encrypted = 4;
constexpr int Damaged = 5;
constexpr int WrongPassword = 6;
constexpr int Usage = 64;
} // namespace readerexit

inline constexpr char kReaderProgramName[] = "vantor-mdb-reader";
inline constexpr char kReaderProgramEnv[] = "VANTOR_MDB_READER";
inline constexpr char kReaderAnswerFdOption[] = "--answer-fd";
// The database password comes on standard input, never on the command line where others see it.
inline constexpr char kReaderPasswordOption[] = "--password-stdin";
// The descriptor the parent hands the reader for its answer.
inline constexpr int kReaderAnswerFd = 3;

} // namespace vantor
