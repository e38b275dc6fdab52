// Socket error codes and their texts.
//
// Errors are reported with the classic Windows Sockets codes and names on
// every platform, so that a refused connection reads "10061 WSAECONNREFUSED"
// wherever the program runs: on Windows they are the system's own codes, on
// POSIX errno values and resolver failures are mapped onto them. The last
// one is kept per thread.
#pragma once

#include <cstdint>

#include "support/byte_string.h"

namespace orv {

struct SocketErrorRow {
    int32_t code;
    const char* name;
    const char* shortText;
    const char* longText;
};

constexpr int32_t kSocketNoError = 0;
constexpr int32_t kSocketWouldBlock = 10035;
constexpr int32_t kSocketTimedOut = 10060;
constexpr int32_t kSocketConnRefused = 10061;
constexpr int32_t kSocketNotInitialised = 10093;
constexpr int32_t kSocketHostNotFound = 11001;
constexpr int32_t kSocketCallFailure = 10107;

// The table in its fixed order (51 rows).
const SocketErrorRow* socketErrorTable(uint32_t& count);
// First row with an equal code, or null.
const SocketErrorRow* findSocketError(int32_t code);

// POSIX: the code for a system errno value (unknown values give
// kSocketCallFailure). Windows reports these codes itself.
int32_t socketErrorFromErrno(int err);
// Code for a getaddrinfo result (EAI_*); EAI_SYSTEM uses `err`.
int32_t socketErrorFromResolver(int eai, int err);

// The last socket error of the calling thread.
int32_t lastSocketError();
void setLastSocketError(int32_t code);

// "Socket Error:  <code> (<code>):\n" and the table texts for `code`.
ByteString describeSocketError(int32_t code);
// The code that describeSocketError wrote last into a text; 0 for none.
int32_t socketErrorIn(const ByteString& text);
// What the platform itself calls the failure behind a code, in its own
// words ("Connection refused", "Name or service not known").
ByteString socketErrorReason(int32_t code);

}  // namespace orv
