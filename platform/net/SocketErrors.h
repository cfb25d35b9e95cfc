// Error numbers of the socket layer: Winsock's numbers and English texts on every platform.
//
// The operating system's own codes (errno, getaddrinfo results) are mapped once, where they
// enter, by MapErrno and MapResolverError; everything above the transport sees only these.
#pragma once

#include <string>

namespace platform::net {

inline constexpr int kNoError = 0;
inline constexpr int kWsaeIntr = 10004;
inline constexpr int kWsaeAcces = 10013;
inline constexpr int kWsaeFault = 10014;
inline constexpr int kWsaeInval = 10022;
inline constexpr int kWsaeMfile = 10024;
inline constexpr int kWsaeWouldBlock = 10035;
inline constexpr int kWsaeInProgress = 10036;
inline constexpr int kWsaeAlready = 10037;
inline constexpr int kWsaeNotSock = 10038;
inline constexpr int kWsaeMsgSize = 10040;
inline constexpr int kWsaeProtoNoSupport = 10043;
inline constexpr int kWsaeAfNoSupport = 10047;
inline constexpr int kWsaeAddrInUse = 10048;
inline constexpr int kWsaeAddrNotAvail = 10049;
inline constexpr int kWsaeNetDown = 10050;
inline constexpr int kWsaeNetUnreach = 10051;
inline constexpr int kWsaeNetReset = 10052;
inline constexpr int kWsaeConnAborted = 10053;
inline constexpr int kWsaeConnReset = 10054;
inline constexpr int kWsaeNoBufs = 10055;
inline constexpr int kWsaeIsConn = 10056;
inline constexpr int kWsaeNotConn = 10057;
inline constexpr int kWsaeShutdown = 10058;
inline constexpr int kWsaeTimedOut = 10060;
inline constexpr int kWsaeConnRefused = 10061;
inline constexpr int kWsaeHostDown = 10064;
inline constexpr int kWsaeHostUnreach = 10065;
inline constexpr int kWsaSysNotReady = 10091;
inline constexpr int kWsaNotInitialised = 10093;
inline constexpr int kWsaTypeNotFound = 10109;
inline constexpr int kWsaHostNotFound = 11001;
inline constexpr int kWsaTryAgain = 11002;
inline constexpr int kWsaNoRecovery = 11003;
inline constexpr int kWsaNoData = 11004;
// errno values without a Winsock counterpart read as this base plus errno.
inline constexpr int kOtherErrnoBase = 20000;

// The English text of an error number: "Connection timed out" for 10060, ..., and
// "Other Winsock error (" + number + ")" for numbers without a text of their own. Empty for 0.
std::string ErrorDescription(int error);

#ifndef _WIN32
// The Winsock number of a POSIX errno value (EPIPE reads as a reset connection).
int MapErrno(int errno_value);
// The Winsock number of a getaddrinfo result; EAI_SYSTEM is mapped through errno_value.
int MapResolverError(int eai_value, int errno_value);
#endif

}  // namespace platform::net
