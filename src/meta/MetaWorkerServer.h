#pragma once
// The worker process's side: `skimmer-cli --meta-worker` reads one request per line on its standard input
// ({"path": "..."}), reads that document under a CPU-time limit per document and a memory limit for the
// process, and answers one line of JSON on its standard output. A document that makes it crash or run out
// of time ends the process; its client starts another.

class MetaWorkerServer {
  public:
    static constexpr const char* kOption = "--meta-worker";
    static constexpr int kCpuSecondsPerDocument = 20;
    static constexpr long long kAddressSpaceBytes = 2LL * 1024 * 1024 * 1024;

    static int Run();
    // True when the memory limit is applied: sanitizers reserve terabytes of address space up front and
    // cannot run under it.
    static bool MemoryLimitApplies();
};
