#include "webtext/fetch.h"

#include <curl/curl.h>

#include <mutex>
#include <string>

#include "webtext/codepage.h"

namespace quorrin {
namespace {

constexpr size_t kMaxHost = 255;
constexpr size_t kMaxPathAndQuery = 2047;
constexpr size_t kMaxUserOrPassword = 127;
constexpr int kPollMillis = 25;
// Larger receive chunks mean fewer writes when a video streams to a file.
constexpr long kReceiveBuffer = 256 * 1024;

struct AgentState {
  bool ok = false;
  AgentState() { ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }
  ~AgentState() {
    if (ok) curl_global_cleanup();
  }
};

// Length of one URL part, 0 when it is absent.
size_t PartLength(CURLU* url, CURLUPart part) {
  char* value = nullptr;
  if (curl_url_get(url, part, &value, 0) != CURLUE_OK || !value) return 0;
  const size_t n = std::char_traits<char>::length(value);
  curl_free(value);
  return n;
}

bool SchemeIsWeb(CURLU* url) {
  char* scheme = nullptr;
  if (curl_url_get(url, CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK || !scheme) return false;
  const std::string s(scheme);
  curl_free(scheme);
  return s == "http" || s == "https";
}

// Parses an absolute http or https address within the length limits. Blanks
// cannot stand in a request line, so they are sent as %20; nothing else is
// encoded. The fragment is dropped.
CURLU* ParseAddress(std::string_view address) {
  std::string written;
  written.reserve(address.size());
  for (char c : address) {
    if (c == ' ')
      written += "%20";
    else
      written.push_back(c);
  }
  CURLU* url = curl_url();
  if (!url) return nullptr;
  bool ok =
      curl_url_set(url, CURLUPART_URL, written.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK &&
      SchemeIsWeb(url);
  if (ok) {
    const size_t query = PartLength(url, CURLUPART_QUERY);
    ok = PartLength(url, CURLUPART_HOST) <= kMaxHost &&
         PartLength(url, CURLUPART_PATH) + (query ? query + 1 : 0) <= kMaxPathAndQuery &&
         PartLength(url, CURLUPART_USER) <= kMaxUserOrPassword &&
         PartLength(url, CURLUPART_PASSWORD) <= kMaxUserOrPassword;
  }
  if (ok) ok = curl_url_set(url, CURLUPART_FRAGMENT, nullptr, 0) == CURLUE_OK;
  if (!ok) {
    curl_url_cleanup(url);
    return nullptr;
  }
  return url;
}

struct Transfer {
  CURL* easy = nullptr;
  const FetchOptions* options = nullptr;
  FetchResult* result = nullptr;
  int64_t total = -2;  // the sink's total once known; -2 before the first chunk
  bool cancelled() const { return options->cancel && options->cancel->load(); }
};

// True when the final response names a Content-Encoding other than identity.
bool BodyIsEncoded(CURL* easy) {
  curl_header* h = nullptr;
  if (curl_easy_header(easy, "Content-Encoding", 0, CURLH_HEADER, -1, &h) != CURLHE_OK || !h)
    return false;
  return !curl_strequal(h->value, "identity") && h->value[0] != '\0';
}

// The announced length, or -1 when it is unknown or counts encoded bytes.
int64_t AnnouncedLength(CURL* easy) {
  if (BodyIsEncoded(easy)) return -1;
  curl_off_t total = -1;
  curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &total);
  return total;
}

FetchFault FaultOf(CURL* easy, CURLcode code) {
  switch (code) {
    case CURLE_TOO_MANY_REDIRECTS:
      return FetchFault::kTooManyRedirects;
    // Our own address was checked before the request: these come from a Location.
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return FetchFault::kBadRedirect;
    case CURLE_BAD_CONTENT_ENCODING:
      return FetchFault::kUndecodable;
    case CURLE_OPERATION_TIMEDOUT: {
      // A time-out while connecting is no stall: nothing was reached.
      curl_off_t connected = 0;
      curl_easy_getinfo(easy, CURLINFO_CONNECT_TIME_T, &connected);
      return connected > 0 ? FetchFault::kStalled : FetchFault::kNone;
    }
    default:
      return FetchFault::kNone;
  }
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t n = size * count;
  if (t->cancelled()) return CURL_WRITEFUNC_ERROR;
  if (t->options->sink) {
    if (t->total == -2) t->total = AnnouncedLength(t->easy);
    if (!t->options->sink(std::string_view(data, n), t->total)) {
      t->result->sinkRefused = true;
      return CURL_WRITEFUNC_ERROR;
    }
  } else {
    t->result->body.value.append(data, n);
  }
  t->result->received += static_cast<int64_t>(n);
  return n;
}

// Discards whatever headers libcurl would add beyond the request we send;
// Accept-Encoding goes too, although decoding is on.
curl_slist* RequestHeaders() {
  curl_slist* list = nullptr;
  list = curl_slist_append(list, "Accept: */*");
  list = curl_slist_append(list, "Accept-Encoding:");
  list = curl_slist_append(list, "Pragma:");
  list = curl_slist_append(list, "Connection:");
  list = curl_slist_append(list, "Expect:");
  return list;
}

}  // namespace

bool HttpAgent::Open() {
  static AgentState state;  // thread-safe first initialisation; released at exit
  return state.ok;
}

FetchResult Fetch(const Text& address, const FetchOptions& options) {
  FetchResult result;
  if (address.empty()) return result;
  CURLU* url = ParseAddress(address.view());
  if (!url) return result;
  if (!HttpAgent::Open()) {
    curl_url_cleanup(url);
    return result;
  }
  CURL* easy = curl_easy_init();
  CURLM* multi = curl_multi_init();
  curl_slist* headers = RequestHeaders();
  Transfer transfer{easy, &options, &result};
  CURLcode code = CURLE_FAILED_INIT;
  if (easy && multi && headers) {
    curl_easy_setopt(easy, CURLOPT_CURLU, url);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    if (!options.trustedCertificates.empty())
      curl_easy_setopt(easy, CURLOPT_CAINFO, options.trustedCertificates.c_str());
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(easy, CURLOPT_USERAGENT, HttpAgent::kUserAgent);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_PROXY, "");  // no proxy, whatever the environment says
    curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, options.stallBytesPerSecond);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, options.stallSeconds);
    // Decode a body sent encoded unasked (every encoding libcurl knows).
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kReceiveBuffer);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    curl_multi_add_handle(multi, easy);

    // Drive the transfer in short polls so that a cancel is seen promptly,
    // also while the name is resolved or the server stalls.
    int running = 1;
    while (running) {
      if (transfer.cancelled()) {
        result.cancelled = true;
        break;
      }
      if (curl_multi_perform(multi, &running) != CURLM_OK) break;
      if (!running) break;
      if (curl_multi_poll(multi, nullptr, 0, kPollMillis, nullptr) != CURLM_OK) break;
    }
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
      if (msg->msg == CURLMSG_DONE) code = msg->data.result;
    }
    if (result.cancelled || transfer.cancelled()) {
      result.cancelled = true;
      code = CURLE_ABORTED_BY_CALLBACK;
    }
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    curl_off_t length = -1;
    curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    curl_off_t arrived = 0;  // body bytes as sent, before decoding
    curl_easy_getinfo(easy, CURLINFO_SIZE_DOWNLOAD_T, &arrived);
    result.status = status;
    result.responded = status > 0;
    result.contentLength = length;
    result.whole = result.responded && code == CURLE_OK && (length < 0 || length == arrived);
    if (!result.cancelled && !result.sinkRefused) result.fault = FaultOf(easy, code);
    curl_multi_remove_handle(multi, easy);
  }
  if (headers) curl_slist_free_all(headers);
  if (easy) curl_easy_cleanup(easy);
  if (multi) curl_multi_cleanup(multi);
  curl_url_cleanup(url);
  return result;
}

Bytes FetchBytes(const Text& address, const std::atomic<bool>* cancel) {
  FetchOptions options;
  options.cancel = cancel;
  FetchResult r = Fetch(address, options);
  if (!r.responded) return Bytes();
  return std::move(r.body);
}

Text FetchPageText(const Text& address, const std::atomic<bool>* cancel) {
  return Utf8ToLocal(BytesToText(FetchBytes(address, cancel)));
}

}  // namespace quorrin
