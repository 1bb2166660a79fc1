// The exporter's HTTP side, on cpp-httplib: /probe, /metrics and /, with
// the request limits and timeouts that keep a client from holding the
// exporter.
#ifndef TOLVARAN_EXPORTER_HTTP_SERVER_H_
#define TOLVARAN_EXPORTER_HTTP_SERVER_H_

#include <memory>
#include <string>

#include "exporter/exporter_options.h"
#include "exporter/probe_service.h"
#include "exporter/web_config.h"

namespace tolvaran {

class ExporterServer {
 public:
  // `web`: TLS and the users of basic authentication (none: plain HTTP, no
  // authentication).
  ExporterServer(const ExporterOptions& options, ProbeService& service, std::string version,
                 const WebConfig& web);
  ~ExporterServer();

  // Makes the server (with TLS when configured) and binds the listen
  // address; false with the reason when it cannot.
  bool Bind(std::string* error);
  // Serves until Stop; returns once every request in progress is answered.
  void Serve();
  // From any thread (a signal's): stops the probes and the server.
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tolvaran

#endif  // TOLVARAN_EXPORTER_HTTP_SERVER_H_
