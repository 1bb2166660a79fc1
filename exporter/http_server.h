// The exporter's HTTP side, on cpp-httplib: /probe, /metrics and /, with
// the request limits and timeouts that keep a client from holding the
// exporter.
#ifndef TOLVARAN_EXPORTER_HTTP_SERVER_H_
#define TOLVARAN_EXPORTER_HTTP_SERVER_H_

#include <memory>
#include <string>

#include "exporter/exporter_options.h"
#include "exporter/probe_service.h"

namespace tolvaran {

class ExporterServer {
 public:
  ExporterServer(const ExporterOptions& options, ProbeService& service, std::string version);
  ~ExporterServer();

  // Binds the listen address; false with the reason when it cannot.
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
