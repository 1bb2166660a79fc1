// The trivial worker of worker_bench: reads its input to the end and writes
// a short answer, the shape of a worker's exchange without its work.
#include <cstdio>

int main() {
  char buf[4096];
  std::size_t total = 0, n;
  while ((n = std::fread(buf, 1, sizeof buf, stdin)) > 0) total += n;
  std::printf("TOLVARAN-WIRE 1\nread %zu\n.\n", total);
  return 0;
}
