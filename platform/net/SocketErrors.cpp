#include "platform/net/SocketErrors.h"

#include <array>
#include <string_view>
#include <utility>

#ifndef _WIN32
#include <netdb.h>

#include <cerrno>
#endif

namespace platform::net {
namespace {

constexpr std::array<std::pair<int, std::string_view>, 34> kDescriptions = {{
    {kWsaeIntr, "Interrupted system call"},
    {kWsaeAcces, "Permission denied"},
    {kWsaeFault, "Bad address"},
    {kWsaeInval, "Invalid argument"},
    {kWsaeMfile, "Too many open files"},
    {kWsaeWouldBlock, "Operation would block"},
    {kWsaeInProgress, "Operation now in progress"},
    {kWsaeAlready, "Operation already in progress"},
    {kWsaeNotSock, "Socket operation on nonsocket"},
    {kWsaeMsgSize, "Message too long"},
    {kWsaeProtoNoSupport, "Protocol not supported"},
    {kWsaeAfNoSupport, "Address family not supported by protocol family"},
    {kWsaeAddrInUse, "Address already in use"},
    {kWsaeAddrNotAvail, "Can't assign requested address"},
    {kWsaeNetDown, "Network is down"},
    {kWsaeNetUnreach, "Network is unreachable"},
    {kWsaeNetReset, "Network dropped connection on reset"},
    {kWsaeConnAborted, "Software caused connection abort"},
    {kWsaeConnReset, "Connection reset by peer"},
    {kWsaeNoBufs, "No buffer space available"},
    {kWsaeIsConn, "Socket is already connected"},
    {kWsaeNotConn, "Socket is not connected"},
    {kWsaeShutdown, "Can't send after socket shutdown"},
    {kWsaeTimedOut, "Connection timed out"},
    {kWsaeConnRefused, "Connection refused"},
    {kWsaeHostDown, "Host is down"},
    {kWsaeHostUnreach, "No route to host"},
    {kWsaSysNotReady, "Network subsystem is unusable"},
    {kWsaNotInitialised, "Winsock not initialised"},
    {kWsaTypeNotFound, "Class type not found"},
    {kWsaHostNotFound, "Host not found"},
    {kWsaTryAgain, "Non-authoritative host not found"},
    {kWsaNoRecovery, "Non-recoverable error"},
    {kWsaNoData, "Valid name, no data record of requested type"},
}};

}  // namespace

std::string ErrorDescription(int error) {
  if (error == kNoError) return {};
  for (const auto& [number, description] : kDescriptions) {
    if (number == error) return std::string(description);
  }
  return "Other Winsock error (" + std::to_string(error) + ")";
}

#ifndef _WIN32
int MapErrno(int errno_value) {
  switch (errno_value) {
    case 0:
      return kNoError;
    case EINTR:
      return kWsaeIntr;
    case EACCES:
    case EPERM:
      return kWsaeAcces;
    case EFAULT:
      return kWsaeFault;
    case EINVAL:
      return kWsaeInval;
    case EMFILE:
    case ENFILE:
      return kWsaeMfile;
#if EAGAIN != EWOULDBLOCK
    case EAGAIN:
#endif
    case EWOULDBLOCK:
      return kWsaeWouldBlock;
    case EINPROGRESS:
      return kWsaeInProgress;
    case EALREADY:
      return kWsaeAlready;
    case ENOTSOCK:
    case EBADF:
      return kWsaeNotSock;
    case EMSGSIZE:
      return kWsaeMsgSize;
    case EPROTONOSUPPORT:
      return kWsaeProtoNoSupport;
    case EAFNOSUPPORT:
      return kWsaeAfNoSupport;
    case EADDRINUSE:
      return kWsaeAddrInUse;
    case EADDRNOTAVAIL:
      return kWsaeAddrNotAvail;
    case ENETDOWN:
      return kWsaeNetDown;
    case ENETUNREACH:
      return kWsaeNetUnreach;
    case ENETRESET:
      return kWsaeNetReset;
    case ECONNABORTED:
      return kWsaeConnAborted;
    case ECONNRESET:
    case EPIPE:
      return kWsaeConnReset;
    case ENOBUFS:
    case ENOMEM:
      return kWsaeNoBufs;
    case EISCONN:
      return kWsaeIsConn;
    case ENOTCONN:
      return kWsaeNotConn;
    case ESHUTDOWN:
      return kWsaeShutdown;
    case ETIMEDOUT:
      return kWsaeTimedOut;
    case ECONNREFUSED:
      return kWsaeConnRefused;
    case EHOSTDOWN:
      return kWsaeHostDown;
    case EHOSTUNREACH:
      return kWsaeHostUnreach;
    // Kept apart from Winsock's range so no errno is mistaken for a known Winsock number.
    default:
      return kOtherErrnoBase + errno_value;
  }
}

int MapResolverError(int eai_value, int errno_value) {
  switch (eai_value) {
    case 0:
      return kNoError;
    case EAI_NONAME:
      return kWsaHostNotFound;
#ifdef EAI_NODATA
    case EAI_NODATA:
      return kWsaNoData;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
      return kWsaNoData;
#endif
    case EAI_AGAIN:
      return kWsaTryAgain;
    case EAI_FAIL:
      return kWsaNoRecovery;
    case EAI_FAMILY:
      return kWsaeAfNoSupport;
    case EAI_MEMORY:
      return kWsaeNoBufs;
    case EAI_SERVICE:
      return kWsaTypeNotFound;
    case EAI_SOCKTYPE:
      return kWsaeProtoNoSupport;
    case EAI_SYSTEM:
      return MapErrno(errno_value);
    default:
      return kWsaNoRecovery;
  }
}
#endif

}  // namespace platform::net
