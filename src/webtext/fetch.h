// HTTP GET of one address on libcurl, one fresh HTTP/1.0 request per call.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "webtext/text.h"

namespace quorrin {

// The process's one HTTP client set-up: initialised by the first fetch (safe
// when two threads fetch first at once) and released at exit.
class HttpAgent {
 public:
  static constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
  // Opens the agent on first use; false when it cannot be opened.
  static bool Open();
};

// Receives the body chunk by chunk; `total` is the announced length or -1.
// Returning false breaks the transfer off.
using FetchSink = std::function<bool(std::string_view chunk, int64_t total)>;

// Time beyond which a fetch gives up connecting.
inline constexpr long kConnectTimeoutSeconds = 30;
// A transfer slower than kStallBytesPerSecond for kStallTimeoutSeconds in a
// row (once connected) is given up as stalled.
inline constexpr long kStallTimeoutSeconds = 60;
inline constexpr long kStallBytesPerSecond = 1024;

struct FetchOptions {
  // Set from any thread to break the fetch off; the fetch returns within a
  // fraction of a second, whatever it is waiting for.
  const std::atomic<bool>* cancel = nullptr;
  // When set, the body goes here instead of into FetchResult::body.
  FetchSink sink;
  long stallSeconds = kStallTimeoutSeconds;
  long stallBytesPerSecond = kStallBytesPerSecond;
  // A PEM file of certificates to trust in place of the system's own store;
  // empty for the system's. Only the tests' own TLS server needs it.
  std::string trustedCertificates;
};

// Why a fetch ended without a whole body, where the other fields cannot tell.
enum class FetchFault {
  kNone,
  kStalled,           // slower than the stall limit, with or without a response
  kTooManyRedirects,  // more redirections than we follow (20)
  kBadRedirect,       // a redirection to an address we do not fetch (ftp, file, ...)
  kUndecodable,       // a Content-Encoding we cannot decode, or a body that does not decode
};

struct FetchResult {
  bool responded = false;  // a response arrived
  long status = 0;         // status of the final response
  bool whole = false;      // the body arrived complete, as long as announced
  bool cancelled = false;
  bool sinkRefused = false;
  FetchFault fault = FetchFault::kNone;
  int64_t contentLength = -1;  // as announced, of the body as sent (encoded)
  int64_t received = 0;        // bytes of the body as decoded
  Bytes body;                  // empty when a sink took the body
};

// A body sent with a Content-Encoding (gzip, deflate and whatever else libcurl
// can decode) is decoded, although the request never asks for one.
FetchResult Fetch(const Text& address, const FetchOptions& options = {});

// The body of whatever response arrives (error statuses included); the bytes
// received so far when the transfer breaks off; empty bytes when no response
// arrives or the address is empty, unparsable or not http/https.
Bytes FetchBytes(const Text& address, const std::atomic<bool>* cancel = nullptr);

// Utf8ToLocal of BytesToText of FetchBytes: a page as local text.
Text FetchPageText(const Text& address, const std::atomic<bool>* cancel = nullptr);

}  // namespace quorrin
