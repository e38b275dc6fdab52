// A private nginx on a loopback port, for the integration test and the
// benchmark: its own temporary prefix, configuration, logs and pid file, run
// in the foreground as one process of the current user, ended on
// destruction. Serves the files written into root().
#pragma once

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "net/socket.h"

extern char** environ;

namespace orv::testing {

inline const char* kNginxBinary = "/usr/sbin/nginx";

inline bool nginxInstalled() { return ::access(kNginxBinary, X_OK) == 0; }

class NginxServer {
public:
    NginxServer() {
        char pattern[] = "/tmp/orv-nginx-XXXXXX";
        if (!::mkdtemp(pattern)) return;
        dir_ = pattern;
        ::chmod(pattern, 0755);
        std::filesystem::create_directories(root());
        SocketHandle probe;  // an unused loopback port, found by binding port 0
        port_ = probe.Connect("127.0.0.1", 0, 1) ? probe.LocalPort() : 0;
        std::ofstream conf(dir_ + "/nginx.conf");
        conf << "daemon off;\nmaster_process off;\nworker_processes 1;\npid " << dir_ << "/nginx.pid;\n"
             << "events { worker_connections 64; }\nhttp {\n  access_log off;\n";
        for (const char* temp : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
            conf << "  " << temp << "_temp_path " << dir_ << "/" << temp << ";\n";
        conf << "  server {\n    listen 127.0.0.1:" << port_ << ";\n    root " << root() << ";\n  }\n}\n";
    }
    // Asks nginx to stop, kills it after 2 s, and removes the prefix.
    ~NginxServer() {
        if (pid_ > 0) ::kill(pid_, SIGTERM);
        for (int i = 0; i < 100 && !exited(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!exited() && ::kill(pid_, SIGKILL) == 0) ::waitpid(pid_, nullptr, 0);
        std::error_code ec;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
    }
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    std::string root() const { return dir_ + "/html"; }
    uint16_t port() const { return port_; }
    std::string errorLog() const { return dir_ + "/error.log"; }

    void writeFile(const std::string& name, size_t size) {
        std::ofstream out(root() + "/" + name, std::ios::binary);
        for (size_t i = 0; i < size; ++i) out.put(static_cast<char>('a' + i % 26));
        out.close();
        ::chmod((root() + "/" + name).c_str(), 0644);
    }

    // Starts nginx and waits (at most 5 s) until it accepts connections.
    bool start() {
        if (dir_.empty() || port_ == 0) return false;
        const std::string conf = dir_ + "/nginx.conf", log = errorLog();
        const char* argv[] = {kNginxBinary, "-p", dir_.c_str(), "-c", conf.c_str(), "-e", log.c_str(), nullptr};
        if (::posix_spawn(&pid_, kNginxBinary, nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
            pid_ = 0;
        for (int i = 0; i < 250 && !exited(); ++i) {
            SocketHandle probe;
            probe.SetWaitTime(0, 0);
            if (probe.Connect("127.0.0.1", port_)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

private:
    // Reaps nginx if it has ended (pid_ becomes 0).
    bool exited() {
        if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = 0;
        return pid_ == 0;
    }

    std::string dir_;
    uint16_t port_ = 0;
    pid_t pid_ = 0;
};

}  // namespace orv::testing
