#pragma once
// A document that starts to arrive and then stalls until the test lets it go: a download that is
// surely in flight while the window is asked to close.

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "LocalServer.h"

inline void ServeStalledDocument(LocalServer& server, const char* path, std::atomic<bool>& release) {
    server.Http().Get(path, [&release](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(
            1000000, "application/pdf", [&release](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset == 0) return sink.write(("%PDF-1.4\n" + std::string(1000 - 9, 'p')).data(), 1000);
                while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
                return false;
            });
    });
}
